#pragma once

// Words the view interfaces share. Both front ends run their dialogs modally, so a
// question or a chooser has its answer when the call returns. Strings are UTF-8.

// The answer to a question. Only Yes goes ahead; a question about unsaved changes also
// offers Cancel (Yes saves, No goes on without saving, Cancel leaves everything as it is).
enum class Answer { Yes, No, Cancel };

// A chooser of a file to read (it must exist) or of a file to write (the chooser asks
// before it replaces one).
enum class FileChoice { Open, Save };
