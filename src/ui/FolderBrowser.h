#pragma once

#include <QString>

class QLineEdit;
class QWidget;

// The folder browser behind every "..." button: it opens at the folder the edit names
// and replaces the edit's text only when the user picked a folder.
namespace FolderBrowser {

void BrowseInto(QWidget* owner, QLineEdit* edit);

}  // namespace FolderBrowser
