#pragma once
// Every Qt event handler runs its body through Guarded, so no exception
// crosses the event loop: typed errors and any other exception are shown in
// a message box and the program goes on.
#include <exception>
#include <new>
#include <string>
#include <utility>

#include "base/errors.h"
#include "platform/api/prompter.h"
#include "platform/qt_prompter.h"

namespace brine {

template <typename F>
bool Guarded(F&& body, Prompter& prompter = AppPrompter()) {
    try {
        std::forward<F>(body)();
        return true;
    } catch (const BrineError& e) {
        prompter.error(e.what());
    } catch (const std::bad_alloc&) {
        prompter.error("メモリが足りません。");
    } catch (const std::exception& e) {
        prompter.error(std::string("エラーが発生しました。\n") + e.what());
    }
    return false;
}

}  // namespace brine
