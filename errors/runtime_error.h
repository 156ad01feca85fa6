// Runtime errors: the one way every runtime operation reports a failure.
//
// A failing operation calls runtime_error() and returns normally; while an
// error is pending every other operation returns at once without effect.
// The statement epilogue (host/line_event.h) then reports it to the user.
// This state sits below every layer and uses nothing but the standard library;
// what shows an error to the user is installed from above as hooks.
#pragma once

#include <atomic>
#include <cstdint>

// ---- Numbers and messages --------------------------------------------------

// Every runtime error number by name, beside the message its report shows.
// Numbers that share a message say in their names how they differ.
enum ErrorNumber : int {
    error_next_without_for = 1,
    error_syntax = 2,
    error_return_without_gosub = 3,
    error_out_of_data = 4,
    error_illegal_function_call = 5,  // every bad argument
    error_overflow = 6,
    error_out_of_memory = 7,  // reported; the program may go on
    error_label_not_defined = 8,
    error_subscript_out_of_range = 9,
    error_duplicate_definition = 10,
    error_division_by_zero = 11,  // immediate-critical
    error_illegal_in_direct_mode = 12,
    error_type_mismatch = 13,
    error_out_of_string_space = 14,
    error_string_formula_too_complex = 16,
    error_cannot_continue = 17,
    error_function_not_defined = 18,
    error_no_resume = 19,
    error_resume_without_error = 20,
    error_device_timeout = 24,
    error_device_fault = 25,
    error_for_without_next = 26,
    error_out_of_paper = 27,
    error_while_without_wend = 29,
    error_wend_without_while = 30,
    error_duplicate_label = 33,
    error_subprogram_not_defined = 35,
    error_argument_count_mismatch = 37,
    error_array_not_defined = 38,
    error_variable_required = 40,
    error_field_overflow = 50,
    error_internal = 51,
    error_bad_file_name_or_number = 52,
    error_file_not_found = 53,
    error_bad_file_mode = 54,
    error_file_already_open = 55,
    error_field_statement_active = 56,
    error_device_io = 57,
    error_file_already_exists = 58,
    error_bad_record_length = 59,
    error_disk_full = 61,
    error_input_past_end = 62,
    error_bad_record_number = 63,
    error_bad_file_name = 64,
    error_too_many_files = 67,
    error_device_unavailable = 68,
    error_communication_buffer_overflow = 69,
    error_permission_denied = 70,
    error_disk_not_ready = 71,
    error_disk_media = 72,
    error_feature_unavailable = 73,
    error_rename_across_disks = 74,
    error_path_file_access = 75,
    error_path_not_found = 76,
    // Immediate-critical: the box, then the end of the process.
    error_out_of_stack = 256,
    error_out_of_memory_string_store = 257,  // "Critical Error #1"
    error_invalid_handle = 258,              // ordinary
    error_library_missing = 259,
    error_library_function_missing = 260,
    error_library_sub_missing = 261,
    error_gl_outside_gl_sub = 270,
    error_end_inside_gl_sub = 271,
    // Reported as critical: the box, then the end of the process.
    error_memory_region_out_of_range = 300,
    error_invalid_size = 301,
    error_source_region_out_of_range = 302,
    error_destination_region_out_of_range = 303,
    error_both_regions_out_of_range = 304,
    error_source_freed = 305,
    error_destination_freed = 306,
    error_memory_already_freed = 307,
    error_memory_freed = 308,
    error_memory_not_initialized = 309,
    error_source_not_initialized = 310,
    error_destination_not_initialized = 311,
    error_both_not_initialized = 312,
    error_both_freed = 313,
    // Immediate-critical "Out of memory", titled "Critical Error #" and the
    // number less 500: one number for each store that could not grow.
    error_out_of_memory_image_slots = 502,
    error_out_of_memory_free_image_slots = 503,
    error_out_of_memory_static_storage = 504,
    error_out_of_memory_recycled_descriptors = 508,
    error_out_of_memory_low_string_list = 509,
    error_out_of_memory_main_string_list = 510,
    error_out_of_memory_temporary_list = 511,
    error_out_of_memory_main_pool = 512,
    error_out_of_memory_compacted_pool = 513,
    error_out_of_memory_low_pool = 514,
};

// The numbered "Out of memory" range: 502 to 518, titled by the number less 500.
constexpr int error_out_of_memory_numbered_first = error_out_of_memory_image_slots;
constexpr int error_out_of_memory_numbered_last = 518;
constexpr int error_out_of_memory_title_offset = 500;

struct ErrorText {
    ErrorNumber number;
    const char* message;
};

// Messages of the numbers line_event() reports; any other shows
// "Unprintable error".
inline constexpr ErrorText error_texts[] = {
    {error_next_without_for, "NEXT without FOR"},
    {error_syntax, "Syntax error"},
    {error_return_without_gosub, "RETURN without GOSUB"},
    {error_out_of_data, "Out of DATA"},
    {error_illegal_function_call, "Illegal function call"},
    {error_overflow, "Overflow"},
    {error_out_of_memory, "Out of memory"},
    {error_label_not_defined, "Label not defined"},
    {error_subscript_out_of_range, "Subscript out of range"},
    {error_duplicate_definition, "Duplicate definition"},
    {error_illegal_in_direct_mode, "Illegal in direct mode"},
    {error_type_mismatch, "Type mismatch"},
    {error_out_of_string_space, "Out of string space"},
    {error_string_formula_too_complex, "String formula too complex"},
    {error_cannot_continue, "Cannot continue"},
    {error_function_not_defined, "Function not defined"},
    {error_no_resume, "No RESUME"},
    {error_resume_without_error, "RESUME without error"},
    {error_device_timeout, "Device timeout"},
    {error_device_fault, "Device fault"},
    {error_for_without_next, "FOR without NEXT"},
    {error_out_of_paper, "Out of paper"},
    {error_while_without_wend, "WHILE without WEND"},
    {error_wend_without_while, "WEND without WHILE"},
    {error_duplicate_label, "Duplicate label"},
    {error_subprogram_not_defined, "Subprogram not defined"},
    {error_argument_count_mismatch, "Argument-count mismatch"},
    {error_array_not_defined, "Array not defined"},
    {error_variable_required, "Variable required"},
    {error_field_overflow, "FIELD overflow"},
    {error_internal, "Internal error"},
    {error_bad_file_name_or_number, "Bad file name or number"},
    {error_file_not_found, "File not found"},
    {error_bad_file_mode, "Bad file mode"},
    {error_file_already_open, "File already open"},
    {error_field_statement_active, "FIELD statement active"},
    {error_device_io, "Device I/O error"},
    {error_file_already_exists, "File already exists"},
    {error_bad_record_length, "Bad record length"},
    {error_disk_full, "Disk full"},
    {error_input_past_end, "Input past end of file"},
    {error_bad_record_number, "Bad record number"},
    {error_bad_file_name, "Bad file name"},
    {error_too_many_files, "Too many files"},
    {error_device_unavailable, "Device unavailable"},
    {error_communication_buffer_overflow, "Communication-buffer overflow"},
    {error_permission_denied, "Permission denied"},
    {error_disk_not_ready, "Disk not ready"},
    {error_disk_media, "Disk-media error"},
    {error_feature_unavailable, "Feature unavailable"},
    {error_rename_across_disks, "Rename across disks"},
    {error_path_file_access, "Path/File access error"},
    {error_path_not_found, "Path not found"},
    {error_invalid_handle, "Invalid handle"},
    {error_memory_region_out_of_range, "Memory region out of range"},
    {error_invalid_size, "Invalid size"},
    {error_source_region_out_of_range, "Source memory region out of range"},
    {error_destination_region_out_of_range, "Destination memory region out of range"},
    {error_both_regions_out_of_range, "Source and destination memory regions out of range"},
    {error_source_freed, "Source memory has been freed"},
    {error_destination_freed, "Destination memory has been freed"},
    {error_memory_already_freed, "Memory already freed"},
    {error_memory_freed, "Memory has been freed"},
    {error_memory_not_initialized, "Memory not initialized"},
    {error_source_not_initialized, "Source memory not initialized"},
    {error_destination_not_initialized, "Destination memory not initialized"},
    {error_both_not_initialized, "Source and destination memory not initialized"},
    {error_both_freed, "Source and destination memory have been freed"},
};

// Messages of the immediate-critical numbers; the numbered "Out of memory"
// range shows the same message as the string store's.
inline constexpr ErrorText error_critical_texts[] = {
    {error_division_by_zero, "Division by zero"},
    {error_out_of_stack, "Out of stack space"},
    {error_library_missing, "Cannot find dynamic library file"},
    {error_library_function_missing, "Sub/Function does not exist in dynamic library"},
    {error_library_sub_missing, "Sub/Function does not exist in dynamic library"},
    {error_gl_outside_gl_sub, "_GL command called outside of SUB _GL's scope"},
    {error_end_inside_gl_sub, "END/SYSTEM called within SUB _GL's scope"},
    {error_out_of_memory_string_store, "Out of memory"},
};

// True for the numbers whose report ends the process after its box.
constexpr bool error_is_reported_critical(unsigned number) {
    return number >= error_memory_region_out_of_range && number <= error_both_freed;
}

// ---- State -----------------------------------------------------------------

extern std::atomic<unsigned> error_pending;  // 0, or the number raised and not yet reported
extern std::atomic<int> event_pending;       // some thread wants line_event after this statement
extern int error_line;                       // statement number of the report in progress

// ---- Raising ---------------------------------------------------------------

// Raises error `number`. Immediate-critical numbers show their box and end the
// process; for the others the first error of a statement wins, numbers below 1
// become 5, and the number now pending is returned.
int runtime_error(int number);

// True for the numbers runtime_error() ends the process on at once.
bool error_is_immediate_critical(int number);

// Message and title of an immediate-critical number.
const char* error_critical_message(int number);
void error_critical_title(int number, char* out, int out_size);

// Message of an ordinary number, or "Unprintable error".
const char* error_message(unsigned number);

// Process exit code after a critical error.
constexpr int critical_exit_code = 3;

// The box shown for a critical error; installed by the host once its dialogs
// work. The default writes the report to standard error.
using CriticalReport = void (*)(const char* title, const char* text);
void runtime_error_set_critical_report(CriticalReport report);

// Told every number passed to runtime_error(), before anything else happens;
// tests record the reports with it. Null: nobody is told.
using ErrorObserver = void (*)(int number);
void runtime_error_set_observer(ErrorObserver observer);
