// The German message of the DataError an action raises; a test failure when it raises none.
#pragma once

#include "data/errors.h"

#include <gtest/gtest.h>
#include <functional>

namespace ferolind::test {

inline QString messageOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const DataError& e) {
        return e.message();
    }
    ADD_FAILURE() << "keine DataError";
    return QString();
}

}  // namespace ferolind::test
