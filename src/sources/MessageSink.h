#pragma once

#include <functional>
#include <string>

// The core never shows a window. Where it must tell the user something (a capture
// error, the browser-must-be-closed warning, the default-filter failure) it hands
// the text to the sink the front end installed: the GUI shows a message box, the
// command-line tool prints to stderr, tests record the text. Without a sink the
// text goes to stderr.
enum class MessageKind { Error, Warning, Information };

using MessageHandler = std::function<void(MessageKind kind, const std::string& text)>;
// Requests to open a file, folder or web address with the desktop.
using OpenHandler = std::function<void(const std::string& target)>;

void InstallMessageHandler(MessageHandler handler);
void InstallOpenHandler(OpenHandler handler);

// Safe to call from any thread; the handler runs on the caller's thread.
void ShowMessage(MessageKind kind, const std::string& text);
void OpenWithDesktop(const std::string& target);
