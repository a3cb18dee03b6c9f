#pragma once

#include "platform/RuntimeError.h"

#include <functional>
#include <optional>

// The RuntimeError that act raises; none when it returns.
inline std::optional<RuntimeError> thrownError(const std::function<void()>& act)
{
    try {
        act();
    } catch (const RuntimeError& error) {
        return error;
    }
    return std::nullopt;
}
