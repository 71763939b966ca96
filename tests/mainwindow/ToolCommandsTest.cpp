#include "mainwindow/ToolCommands.h"

#include <gtest/gtest.h>

namespace pyxa {
namespace {

TEST(ToolCommandsTest, ToolNamesGiveTheirKeysAndCommands) {
  EXPECT_EQ(ToolKey(QStringLiteral("btnNavFirst")), QStringLiteral("navfirst"));
  EXPECT_EQ(ToolKey(QStringLiteral("btnFitHeight")), QStringLiteral("fitheight"));
  EXPECT_EQ(ToolKey(QStringLiteral("btn")), QString());
  EXPECT_EQ(ToolKey(QString()), QString());

  EXPECT_EQ(ParseTool(QStringLiteral("btnNavPrevious")), Command::NavPrevious);
  EXPECT_EQ(ParseTool(QStringLiteral("btnZoom")), Command::Zoom);
  EXPECT_EQ(ParseTool(QStringLiteral("BTNPAGE")), Command::PageBox);
  EXPECT_EQ(ParseTool(QStringLiteral("btnScenarios")), Command::Scenarios);
  EXPECT_EQ(ParseTool(QStringLiteral("NumOfPages")), Command::None);
  EXPECT_EQ(ParseTool(QStringLiteral("btnNavFirstX")), Command::None);

  for (const FitTool fit : {FitTool::Height, FitTool::Width, FitTool::Window, FitTool::Zoom}) {
    EXPECT_EQ(FitOf(FitCommand(fit)), fit);
  }
  EXPECT_EQ(FitOf(Command::Rotate), std::nullopt);
}

TEST(ToolCommandsTest, NavigationGoesWhereTheDispatchTableSays) {
  EXPECT_EQ(TargetPage(Command::NavFirst, 3, 5, true), 1);
  EXPECT_EQ(TargetPage(Command::NavPrevious, 3, 5, true), 2);
  EXPECT_EQ(TargetPage(Command::NavPrevious, 1, 5, true), std::nullopt);
  EXPECT_EQ(TargetPage(Command::NavPrevious, 0, 0, true), std::nullopt);
  EXPECT_EQ(TargetPage(Command::NavNext, 3, 5, true), 4);
  // Past the end it is still asked for: the page change refuses it with its own message.
  EXPECT_EQ(TargetPage(Command::NavNext, 5, 5, true), 6);
  EXPECT_EQ(TargetPage(Command::NavLast, 2, 5, true), 5);

  for (const Command command : {Command::NavFirst, Command::NavPrevious, Command::NavNext, Command::NavLast}) {
    EXPECT_EQ(TargetPage(command, 3, 5, false), std::nullopt);
  }
  EXPECT_EQ(TargetPage(Command::Rotate, 3, 5, true), std::nullopt);
}

TEST(ToolCommandsTest, ZoomTextsReadAsPercentagesWithinBounds) {
  EXPECT_EQ(ZoomLevels(), QStringList({QStringLiteral("25%"), QStringLiteral("50%"), QStringLiteral("75%"),
                                       QStringLiteral("100%"), QStringLiteral("150%"), QStringLiteral("200%")}));
  for (const QString& level : ZoomLevels()) EXPECT_TRUE(ParseZoomText(level).has_value()) << level.toStdString();

  EXPECT_EQ(ParseZoomText(QStringLiteral("150%")), 150);
  EXPECT_EQ(ParseZoomText(QStringLiteral("150")), 150);
  EXPECT_EQ(ParseZoomText(QStringLiteral(" 75 % ")), 75);
  EXPECT_EQ(ParseZoomText(QStringLiteral("999")), 999);
  EXPECT_EQ(ParseZoomText(QStringLiteral("10")), 10);

  for (const char* bad : {"", "%", "abc", "1000", "0", "9", "-50", "7.5", "7 5", "1e2", "99999999999"}) {
    EXPECT_EQ(ParseZoomText(QString::fromLatin1(bad)), std::nullopt) << bad;
  }
}

}  // namespace
}  // namespace pyxa
