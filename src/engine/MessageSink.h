#pragma once

#include <functional>
#include <string>

#include "config/UiTexts.h"

// The core never shows a window. Where it must tell the user something (the
// browser-must-be-closed warning, the default-filter failure) it hands the message to
// the sink the front end installed: the GUI shows a message box, the command-line tool
// prints to stderr, tests record it. Without a sink the message goes to stderr.
enum class MessageKind { Error, Warning, Information };

using MessageHandler = std::function<void(MessageKind kind, const UiMessage& message)>;

void InstallMessageHandler(MessageHandler handler);

// Safe to call from any thread; the handler runs on the caller's thread.
void ShowMessage(MessageKind kind, const UiMessage& message);
