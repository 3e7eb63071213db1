#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <string>

#include "app/ViewTypes.h"
#include "engine/MessageSink.h"

class QWidget;

// The GUI's side of the core's message sink: messages become message boxes on the
// UI thread, open requests go to the desktop.
namespace GuiMessages {

void Install();
void Uninstall();
// While exiting, the UI thread may be waiting for threads that would block on a
// message box; their messages then go to stderr instead.
void SetExiting(bool exiting);
bool IsExiting();

bool IsUiThread();
// Runs `work` on the UI thread and waits for it: directly on the UI thread, else as a
// blocking queued call to `context` (which lives on the UI thread and outlives the call).
void RunOnUiThread(QObject* context, const std::function<void()>& work);

// A message box titled "Vorlane" with OK (UI thread only).
void ShowBox(MessageKind kind, const QString& text, QWidget* parent = nullptr);
// A Yes/No question with the exclamation icon; true only for Yes (UI thread only).
bool AskYesNo(const QString& text, QWidget* parent = nullptr);
// The question about unsaved changes: Save (Yes), Don't Save (No), Cancel; the title
// bar's X and Esc are Cancel (UI thread only).
Answer AskToSave(const QString& text, QWidget* parent = nullptr);
// The same with the question icon, for a choice that warns of nothing.
bool AskQuestion(const QString& text, QWidget* parent = nullptr);
// A file or folder path, or a web address, opened with the desktop.
void OpenTarget(const std::string& target);

}  // namespace GuiMessages

// Requests to open a file, folder or web address with the desktop go through here, so
// tests can record them instead.
using OpenHandler = std::function<void(const std::string& target)>;
void InstallOpenHandler(OpenHandler handler);
void OpenWithDesktop(const std::string& target);
