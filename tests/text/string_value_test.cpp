#include "text/string_value.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "tests/text/text_fixture.h"

namespace {

StringValue* variable(const char* t) {
    StringValue* v = string_new(0, false);
    return string_assign(v, lit(t));
}

using StringValueTest = TextTest;

TEST_F(StringValueTest, FixedStringPadsWithBlanksAndTruncates) {
    static uint8_t buffer[1000];
    StringValue* fixed = string_fixed_new(buffer, 1000, false);
    string_assign(fixed, lit("twenty bytes exactly"));
    EXPECT_EQ(fixed->length, 1000);
    EXPECT_EQ(text_of(fixed), "twenty bytes exactly" + std::string(980, ' '));
    std::string long_text(1200, 'x');
    long_text[999] = 'E';
    StringValue* big = string_new(1200, true);
    std::copy(long_text.begin(), long_text.end(), big->data);
    string_assign(fixed, big);
    EXPECT_EQ(text_of(fixed), long_text.substr(0, 1000));
    string_free(fixed);
}

TEST_F(StringValueTest, ConcatWithAnEmptyOperandReturnsTheOtherItself) {
    StringValue* v = variable("abc");
    StringValue* empty = lit("");
    EXPECT_EQ(string_concat(v, empty), v);
    EXPECT_EQ(string_concat(empty, v), v);
    StringValue* joined = string_concat(v, lit("def"));
    EXPECT_NE(joined, v);
    EXPECT_EQ(text_of(joined), "abcdef");
    EXPECT_TRUE(joined->temporary);
    string_free(v);
}

TEST_F(StringValueTest, EqualityAndOrdering) {
    EXPECT_EQ(string_equal(lit("Y"), lit("Y ")), 0);
    EXPECT_EQ(string_equal(lit(""), lit("")), -1);
    EXPECT_EQ(string_equal(lit("W1AW"), lit("W1AW")), -1);
    EXPECT_EQ(string_equal(lit("W1AW"), lit("w1aw")), 0);
    EXPECT_EQ(string_not_equal(lit("a"), lit("b")), -1);
    EXPECT_EQ(string_less(lit(""), lit("a")), -1);
    EXPECT_EQ(string_less_equal(lit(""), lit("")), -1);
    EXPECT_EQ(string_less(lit("ab"), lit("abc")), -1);
    EXPECT_EQ(string_greater(lit("\xff"), lit("a")), -1);  // unsigned bytes
    EXPECT_EQ(string_greater_equal(lit("b"), lit("abc")), -1);
}

TEST_F(StringValueTest, FreeingTheNewestStringReturnsItsBytesAtOnce) {
    StringValue* a = string_new(10, false);
    size_t after_a = string_pool_stats().pool_used;
    StringValue* b = string_new(100, false);
    EXPECT_EQ(string_pool_stats().pool_used, after_a + 132);
    string_free(b);
    EXPECT_EQ(string_pool_stats().pool_used, after_a);
    EXPECT_EQ(size_t(a->data - string_pool_base()) + 10 + 32, after_a);
    string_free(a);
}

TEST_F(StringValueTest, StatementReleaseLeavesTheCountAtTheMark) {
    uint32_t before_live = string_pool_stats().live_descriptors;
    StringValue* v = string_new(0, false);
    uint32_t statement = string_temps_mark();
    string_assign(v, string_concat(string_concat(lit("CQ "), lit("DX ")), lit("W1AW")));
    StringValue* dangling = string_concat(v, lit("!"));
    EXPECT_EQ(text_of(dangling), "CQ DX W1AW!");
    string_temps_release(statement, 0);
    EXPECT_EQ(string_pool_stats().temporary_count, statement);
    EXPECT_EQ(text_of(v), "CQ DX W1AW");
    string_free(v);
    EXPECT_EQ(string_pool_stats().live_descriptors, before_live);
}

TEST_F(StringValueTest, AssigningATemporaryMovesNoBytes) {
    StringValue* v = string_new(0, false);
    StringValue* t = string_concat(lit("K1"), lit("JT"));
    uint8_t* bytes = t->data;
    string_assign(v, t);
    EXPECT_EQ(v->data, bytes);
    EXPECT_EQ(text_of(v), "K1JT");
    string_free(v);
}

TEST_F(StringValueTest, CaseChangeCopiesLiteralsAndChangesTemporariesInPlace) {
    StringValue* literal = lit("w1aw/p");
    StringValue* upper = string_upper(literal);
    EXPECT_NE(upper, literal);
    EXPECT_EQ(text_of(upper), "W1AW/P");
    StringValue* lower = string_lower(upper);
    EXPECT_EQ(lower, upper);
    EXPECT_EQ(text_of(lower), "w1aw/p");
}

TEST_F(StringValueTest, AnErrorPendingMakesOperationsDoNothing) {
    StringValue* v = variable("kept");
    error_pending = 5;
    string_assign(v, lit("changed"));
    EXPECT_EQ(text_of(v), "kept");
    EXPECT_EQ(string_concat(v, lit("x"))->length, 0);
    EXPECT_EQ(string_equal(v, v), 0);
    reset_errors();
    string_free(v);
}

TEST_F(StringValueTest, StaticAllocNeverMovesEarlierStorage) {
    auto* first = static_cast<uint8_t*>(static_alloc(16));
    first[0] = 42;
    auto* big = static_cast<uint8_t*>(static_alloc(3 * 1048576));
    ASSERT_NE(big, nullptr);
    big[3 * 1048576 - 1] = 1;
    EXPECT_EQ(first[0], 42);
    auto* next = static_cast<uint8_t*>(static_alloc(8));
    EXPECT_EQ(next, big + 3 * 1048576);
}

TEST_F(StringValueTest, LowMemoryStringsKeepTheirRecordsCurrent) {
    StringValue* s = string_low_new(0);
    ASSERT_NE(s, nullptr);
    string_assign(s, lit("hello"));
    uint16_t length, offset;
    std::memcpy(&length, s->low_memory_record, 2);
    std::memcpy(&offset, s->low_memory_record + 2, 2);
    EXPECT_EQ(length, 5);
    EXPECT_EQ(low_memory_area() + offset, s->data);
    EXPECT_EQ(text_of(s), "hello");
}

// Drives assignments, joins, cuts and frees against a plain model; every
// variable must always hold exactly the model's bytes.
TEST_F(StringValueTest, RandomisedSequenceMatchesAPlainModel) {
    std::mt19937 rng(20260318);
    constexpr int n = 24;
    std::vector<StringValue*> vars(n);
    std::vector<std::string> model(n);
    for (auto& v : vars) v = string_new(0, false);
    uint32_t live_before = string_pool_stats().live_descriptors;
    auto random_text = [&](size_t max) {
        std::string t(rng() % max, '\0');
        for (char& c : t) c = char(rng() % 256);
        return t;
    };
    for (int step = 0; step < 200000; step++) {
        uint32_t statement = string_temps_mark();
        int d = int(rng() % n), s = int(rng() % n);
        switch (rng() % 6) {
            case 0: {  // assign a fresh temporary, sometimes large to force growth
                std::string t = random_text(rng() % 50 == 0 ? 5000 : 60);
                StringValue* tmp = string_new(uint32_t(t.size()), true);
                std::copy(t.begin(), t.end(), tmp->data);
                string_assign(vars[d], tmp);
                model[d] = t;
                break;
            }
            case 1:  // variable to variable
                string_assign(vars[d], vars[s]);
                model[d] = model[s];
                break;
            case 2: {  // join of two variables and a literal
                static const char tail[] = "-73";
                string_assign(vars[d], string_concat(string_concat(vars[s], vars[d]),
                                                     string_from_text(tail, 3)));
                model[d] = model[s] + model[d] + "-73";
                break;
            }
            case 3:  // free and remake
                string_free(vars[d]);
                vars[d] = string_new(0, false);
                model[d].clear();
                break;
            case 4: {  // garbage temporaries left for the release
                string_concat(vars[s], string_from_text("x", 1));
                string_new(uint32_t(rng() % 300), true);
                break;
            }
            case 5:  // shrink in place
                if (!model[d].empty()) {
                    size_t keep = rng() % model[d].size();
                    StringValue* tmp = string_new(uint32_t(keep), true);
                    std::copy(model[d].begin(), model[d].begin() + long(keep), tmp->data);
                    string_assign(vars[d], tmp);
                    model[d].resize(keep);
                }
                break;
        }
        string_temps_release(statement, 0);
        ASSERT_EQ(string_pool_stats().temporary_count, statement);
        if (step % 997 == 0 || step > 199900) {
            for (int i = 0; i < n; i++) ASSERT_EQ(text_of(vars[i]), model[i]) << "step " << step;
        }
    }
    for (int i = 0; i < n; i++) ASSERT_EQ(text_of(vars[i]), model[i]);
    EXPECT_EQ(string_pool_stats().live_descriptors, live_before);
    for (auto* v : vars) string_free(v);
    EXPECT_TRUE(raised_errors().empty());
}

}  // namespace
