// What happens to a message before it is dispatched, in the program's message loop and in
// every nested one: keyboard shortcuts first, then the dialog keys (Tab, Enter, Escape) of
// the active window, modeless dialogs included.
#pragma once
#include <windows.h>

namespace zr {

class MessageFilter {
  public:
    virtual ~MessageFilter() = default;
    // True when the message was taken and must not be dispatched.
    virtual bool PreTranslate(MSG& msg) = 0;
};

void AddMessageFilter(MessageFilter* filter);
void RemoveMessageFilter(MessageFilter* filter);

// True when a filter or the active window's dialog keys took the message.
bool PreTranslate(MSG& msg);

}  // namespace zr
