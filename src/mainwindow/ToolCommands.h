// The toolbar's commands: the key a tool name gives, the command it stands for, the page a
// navigation command goes to, and the zoom levels with the reading of a typed zoom text.
#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace pyxa {

// The ways the page view can be fitted; Zoom means the zoom combo's percentage rules.
enum class FitTool { Height, Width, Window, Zoom };

enum class Command {
  None,
  NavFirst,
  NavPrevious,
  NavNext,
  NavLast,
  FitHeight,
  FitWidth,
  FitWindow,
  Index,
  Undo,
  Rotate,
  Delete,
  Save,
  Print,
  Zoom,       // the zoom combo btnZoom
  PageBox,    // the page text box btnPage
  Scenarios,  // the scan scenarios tool
};

// The tool name from its 4th character on, lower-cased: "btnNavFirst" gives "navfirst".
QString ToolKey(const QString& toolName);
// The command of a tool name; None for a tool without one.
Command ParseTool(const QString& toolName);

// The fit a fit command or the zoom combo stands for, and back.
std::optional<FitTool> FitOf(Command command);
Command FitCommand(FitTool fit);

// The page a navigation command asks the page view for, or nothing when it does nothing.
// "Next" is not bounded here: the page change itself rejects a page past the end and says so.
std::optional<int> TargetPage(Command command, int currentPage, int pageCount, bool fileShown);

inline constexpr int kZoomFallback = 50;  // used, and written back to the combo, for a bad text
inline constexpr int kZoomMinimum = 10;
inline constexpr int kZoomMaximum = 999;

// "25%" ... "200%", the zoom combo's list.
QStringList ZoomLevels();
// A typed or chosen zoom text as a percentage: blanks and "%" are ignored ("150%", " 75 % ");
// nothing when the rest is not a whole number from kZoomMinimum to kZoomMaximum.
std::optional<int> ParseZoomText(const QString& text);

}  // namespace pyxa
