// The fast path and its one switch.
//
// A few operations keep knowledge or take short ways that their plain rules do
// not need: the file layer reads through a buffer, printing keeps a record of
// what each text cell shows and draws only the cells that change, number
// conversion has short forms for short numbers, and the monitor stops
// growing its "Other:" list once nothing appended to it can show, reads the
// hour and minute straight from the time's bytes and prints the latest spot
// and the list through a kept view instead of a new temporary. Each gives
// exactly the plain result. Switched off, every one of them takes the plain
// way (one system read per byte, every glyph drawn, ...): the reference the
// tests hold the fast path to.
#pragma once

extern bool fast_path;  // true unless a test switches it off
