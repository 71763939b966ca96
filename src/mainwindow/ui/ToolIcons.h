// Toolbar pictures drawn at run time, so that the program ships no image files.
#pragma once

#include <QIcon>
#include <QString>

namespace pyxa {

// The picture of a toolbar tool, by tool name ("btnFitHeight", "btnRotate", ...).
QIcon ToolIcon(const QString& toolName);

}  // namespace pyxa
