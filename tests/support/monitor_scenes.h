// Set-ups and logs that the monitor's picture tests draw, on Linux through
// skerrow-snapshot and on Windows under Wine: a setup file, its log and the
// golden picture they make.
#pragma once

#include <string>
#include <vector>

struct MonitorScene {
    std::string name;
    std::string setup;     // the text of Skerrow020.SET
    std::string log_name;  // the log the setup names; "" when the scene has none
    std::string log;       // its text
    std::string golden;    // tests/golden/<golden>.png, or "" when none is kept
};

// The six watched calls of most scenes, one to a line.
inline const std::string six_calls = "W1AW\r\nK1JT\r\nG4ABC\r\nVK2XYZ\r\nJA1NRH\r\nDL1ABC\r\n";

inline const std::vector<MonitorScene>& monitor_scenes() {
    static const std::vector<MonitorScene> scenes = [] {
        // Unwatched calls for a long Other line, and a latest spot that wraps.
        std::string others = "header\r\n";
        const char* calls[] = {"K1ABC",    "K1AB",     "OH2XYZZY", "ZS6ABCDE", "LU1ABCDE",
                               "PY2ABCDE", "VE3ABCDE", "EA8ABCDE", "UA9ABCDE", "LATECALL"};
        int minute = 0;
        for (const char* c : calls) {
            others += std::string(c) + ",aux,20:" + (minute < 10 ? "0" : "") + std::to_string(minute) + ":00,-7,-40\r\n";
            minute += 5;
        }
        others += "VERYLONGCALLSIGN/PORTABLE,aux,23:59:59,-10,-40\r\n";
        return std::vector<MonitorScene>{
            {"colours", "spots.log\r\nY\r\n" + six_calls, "spots.log",
             "header\r\nW1AW,FN31,01:00:00,-10,-50\r\nK1JT,FN20,03:00:00,-5,-20\r\nG4ABC,IO91,05:00:00,0,-64\r\n"
             "VK2XYZ,QF56,07:30:00,5,0\r\nJA1NRH,PM95,10:00:00,10,-30\r\nDL1ABC,JO62,12:00:00,-20,-63.9\r\n"
             "N0CALL,EM12,14:00:00,-15,-40\r\n",
             "monitor/colours"},
            // Four header fields (the last three open the first record), the
            // SNR range's edges, a call watched twice and one watched empty.
            {"edges", "spots.log\r\ny\r\nW1AW\r\nK1JT\r\nW1AW\r\n\r\nJA1NRH\r\nDL1ABC\r\n", "spots.log",
             "Spots,of,a,test\r\n-5,-40\r\nW1AW,FN31,02:00:00,19,-35\r\nW1AW,FN31,04:00:00,-33,-30\r\n"
             "W1AW,FN31,06:00:00,19.5,-30\r\nW1AW,FN31,08:00:00,-33.5,-30\r\n"
             "\"DL1ABC\",\"JO62, near Berlin\",\"16:00:00\",-8,-40\r\n,empty call,18:00:00,-12,-40\r\n"
             "K1JT,FN20,7:35:00,-3,-40\r\n",
             "monitor/edges"},
            {"others", "spots.log\r\nY\r\n" + six_calls, "spots.log", others, "monitor/others"},
            {"control bytes", "spots.log\r\nN\r\n" + six_calls, "spots.log",
             "header\r\nK\f1\vJT,a,01:00:00,-5,-20\r\n\"AB\nCD\",a,02:00:00,-8,-20\r\n", ""},
        };
    }();
    return scenes;
}

// The scene called `name`.
inline const MonitorScene& monitor_scene(const std::string& name) {
    for (const MonitorScene& s : monitor_scenes())
        if (s.name == name) return s;
    return monitor_scenes().front();
}
