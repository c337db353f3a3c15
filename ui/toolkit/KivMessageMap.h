// One static message map per window class: a table from message number to member function.
//
//   class CKivFooDlg : public KivDialog {
//       ...
//   private:
//       bool dispatchKivMessage(unsigned m, KivWParam w, KivLParam l, KivResult& r) override;
//       KivResult onSomething(KivWParam w, KivLParam l);
//       static const KivMessageEntry<CKivFooDlg> kMessageMap[];
//   };
//
//   const KivMessageEntry<CKivFooDlg> CKivFooDlg::kMessageMap[] = {
//       {kMsgSomething, &CKivFooDlg::onSomething},
//   };
//   bool CKivFooDlg::dispatchKivMessage(unsigned m, KivWParam w, KivLParam l, KivResult& r) {
//       return DispatchKivMessage(*this, kMessageMap, m, w, l, r);
//   }
#pragma once

#include "KivMessages.h"

#include <cstddef>

template <class Window> struct KivMessageEntry {
    unsigned message;
    KivResult (Window::*handler)(KivWParam wParam, KivLParam lParam);
};

/// Runs the first entry of `map` for `message` on `window`. False (result untouched) when the
/// map has no entry for it.
template <class Window, std::size_t N>
bool DispatchKivMessage(Window& window, const KivMessageEntry<Window> (&map)[N], unsigned message,
                        KivWParam wParam, KivLParam lParam, KivResult& result) {
    for (const KivMessageEntry<Window>& entry : map) {
        if (entry.message == message) {
            result = (window.*entry.handler)(wParam, lParam);
            return true;
        }
    }
    return false;
}
