// The desktop's file-properties dialog for a file, or our own when no file
// manager offers one.
#pragma once

#include <QString>

class QWidget;

namespace quilto::app {

void ShowFileProperties(QWidget* owner, const QString& path);

// A small dialog of our own: path, size, dates and permissions.
void ShowOwnFileProperties(QWidget* owner, const QString& path);

}  // namespace quilto::app
