#pragma once

#include <functional>
#include <utility>

// Raises an event hook. The hook runs from a copy, so a handler may reassign or clear the
// very hook it was called through (the engine rewires its sockets' hooks inside handlers).
template <typename... Params, typename... Args>
void raiseHook(const std::function<void(Params...)>& hook, Args&&... args)
{
    if (!hook)
        return;
    const std::function<void(Params...)> copy = hook;
    copy(std::forward<Args>(args)...);
}
