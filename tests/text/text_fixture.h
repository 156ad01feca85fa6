// Helpers shared by the string tests: texts of values, literals, and a
// fixture that releases each test's temporaries.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "errors/runtime_error.h"
#include "tests/support/error_record.h"
#include "text/string_value.h"

inline std::string text_of(const StringValue* s) {
    return std::string(reinterpret_cast<const char*>(s->data), size_t(s->length));
}

inline StringValue* lit(const char* t) { return string_from_cstring(t); }

class TextTest : public ::testing::Test {
protected:
    void SetUp() override {
        reset_errors();
        mark = string_temps_mark();
    }
    void TearDown() override { string_temps_release(mark, 0); }
    uint32_t mark = 0;
};
