#include "mainwindow/ToolCommands.h"

#include <QHash>

namespace pyxa {

QString ToolKey(const QString& toolName) { return toolName.mid(3).toLower(); }

Command ParseTool(const QString& toolName) {
  static const QHash<QString, Command> commands = {
      {QStringLiteral("navfirst"), Command::NavFirst},   {QStringLiteral("navprevious"), Command::NavPrevious},
      {QStringLiteral("navnext"), Command::NavNext},     {QStringLiteral("navlast"), Command::NavLast},
      {QStringLiteral("fitheight"), Command::FitHeight}, {QStringLiteral("fitwidth"), Command::FitWidth},
      {QStringLiteral("fitwindow"), Command::FitWindow}, {QStringLiteral("index"), Command::Index},
      {QStringLiteral("undo"), Command::Undo},           {QStringLiteral("rotate"), Command::Rotate},
      {QStringLiteral("delete"), Command::Delete},       {QStringLiteral("save"), Command::Save},
      {QStringLiteral("print"), Command::Print},         {QStringLiteral("zoom"), Command::Zoom},
      {QStringLiteral("page"), Command::PageBox},        {QStringLiteral("scenarios"), Command::Scenarios},
  };
  return commands.value(ToolKey(toolName), Command::None);
}

std::optional<FitTool> FitOf(Command command) {
  switch (command) {
    case Command::FitHeight:
      return FitTool::Height;
    case Command::FitWidth:
      return FitTool::Width;
    case Command::FitWindow:
      return FitTool::Window;
    case Command::Zoom:
      return FitTool::Zoom;
    default:
      return std::nullopt;
  }
}

Command FitCommand(FitTool fit) {
  switch (fit) {
    case FitTool::Height:
      return Command::FitHeight;
    case FitTool::Width:
      return Command::FitWidth;
    case FitTool::Zoom:
      return Command::Zoom;
    case FitTool::Window:
      break;
  }
  return Command::FitWindow;
}

std::optional<int> TargetPage(Command command, int currentPage, int pageCount, bool fileShown) {
  if (!fileShown) return std::nullopt;
  switch (command) {
    case Command::NavFirst:
      return 1;
    case Command::NavPrevious:
      if (currentPage - 1 >= 1) return currentPage - 1;
      return std::nullopt;
    case Command::NavNext:
      return currentPage + 1;
    case Command::NavLast:
      return pageCount;
    default:
      return std::nullopt;
  }
}

QStringList ZoomLevels() {
  return {QStringLiteral("25%"),  QStringLiteral("50%"),  QStringLiteral("75%"),
          QStringLiteral("100%"), QStringLiteral("150%"), QStringLiteral("200%")};
}

std::optional<int> ParseZoomText(const QString& text) {
  QString digits = text;
  digits.remove(QLatin1Char('%'));
  digits = digits.trimmed();
  // Only plain digits: no sign, no fraction, and short enough that no conversion can overflow.
  if (digits.isEmpty() || digits.size() > 3) return std::nullopt;
  for (const QChar c : digits) {
    if (c < QLatin1Char('0') || c > QLatin1Char('9')) return std::nullopt;
  }
  const int percent = digits.toInt();
  if (percent < kZoomMinimum || percent > kZoomMaximum) return std::nullopt;
  return percent;
}

}  // namespace pyxa
