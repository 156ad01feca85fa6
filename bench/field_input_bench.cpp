// Reads a 100,000-record spot log field by field and compares with wc -l.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "files/field_input.h"
#include "files/file_table.h"

int main() {
    const char* path = "/tmp/skerrow-bench.log";
    FILE* f = std::fopen(path, "wb");
    std::fprintf(f, "Skerrow benchmark log\r\n");
    for (int i = 0; i < 100000; i++)
        std::fprintf(f, "CALL%05d,14.0956 MHz extra text here,%02d:%02d:%02d,%d,%d\r\n", i % 997, (i / 3600) % 24,
                     (i / 60) % 60, i % 60, i % 50 - 30, -(i % 60));
    std::fclose(f);
    auto start = std::chrono::steady_clock::now();
    uint32_t mark = string_temps_mark();
    file_open(string_from_cstring(path), file_mode_input, 0, 0, 1, 0, 0);
    StringValue* v = string_new(0, false);
    file_input_string(1, v);
    long records = 0;
    while (file_eof(1) == 0) {
        file_input_string(1, v);
        file_input_string(1, v);
        file_input_string(1, v);
        file_input_single(1, type_single);
        file_input_single(1, type_single);
        string_temps_release(mark, 0);
        records++;
    }
    file_close(1, file_number_passed);
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    start = std::chrono::steady_clock::now();
    std::string command = std::string("wc -l ") + path + " > /dev/null";
    if (std::system(command.c_str()) != 0) return 1;
    double wc = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%ld records in %.3f s: %.0f records/s; wc -l %.3f s; ratio %.1f\n", records, seconds,
                double(records) / seconds, wc, seconds / wc);
    std::remove(path);
    return 0;
}
