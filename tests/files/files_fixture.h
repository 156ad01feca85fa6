// A scratch folder and helpers shared by the file tests.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "errors/runtime_error.h"
#include "files/field_input.h"
#include "files/file_table.h"
#include "tests/support/error_record.h"
#include "tests/support/file_text.h"

class FilesTest : public ::testing::Test {
protected:
    void SetUp() override {
        reset_errors();
        // A folder of this test's own in the system's temporary folder.
        unsigned n = std::random_device{}();
        std::filesystem::path scratch;
        do scratch = std::filesystem::temp_directory_path() / ("skerrow-files-" + std::to_string(n++));
        while (!std::filesystem::create_directory(scratch));
        folder = scratch.string();
        mark = string_temps_mark();
    }
    void TearDown() override {
        error_pending = 0;
        file_close(0, 0);
        string_temps_release(mark, 0);
        std::filesystem::remove_all(folder);
    }
    std::string path(const std::string& name) const { return folder + "/" + name; }
    void write(const std::string& name, const std::string& bytes) const {
        std::ofstream(path(name), std::ios::binary) << bytes;
    }
    void append(const std::string& name, const std::string& bytes) const {
        std::ofstream(path(name), std::ios::binary | std::ios::app) << bytes;
    }
    std::string read(const std::string& name) const { return file_text(path(name)); }
    void open_input(const std::string& name, int32_t number = 1) {
        file_open(string_from_cstring(path(name).c_str()), file_mode_input, 0, 0, number, 0, 0);
    }
    // Input refuses each of `names` (devices, fifos, folders) with 75 and
    // takes no number; then output opens `device` as number 1.
    void expect_input_refused_output_opens(const std::vector<std::string>& names, const char* device) {
        for (const std::string& name : names) {
            SCOPED_TRACE(name);
            reset_errors();
            file_open(string_from_cstring(name.c_str()), file_mode_input, 0, 0, 1, 0, 0);
            EXPECT_EQ(raised_errors(), std::vector<int>{75});
            EXPECT_EQ(file_slot_of(1), -1);
        }
        reset_errors();
        file_open(string_from_cstring(device), file_mode_output, 0, 0, 1, 0, 0);
        EXPECT_TRUE(raised_errors().empty());
        EXPECT_NE(file_slot_of(1), -1);
    }
    std::string next_string(int32_t number = 1) {
        StringValue* v = string_new(0, true);
        file_input_string(number, v);
        return std::string(reinterpret_cast<char*>(v->data), size_t(v->length));
    }
    float next_single(int32_t number = 1) { return float(file_input_single(number, type_single)); }
    std::string folder;
    uint32_t mark = 0;
};
