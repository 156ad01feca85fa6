// The report parsers over the three shapes of answer, fed whole and a byte at
// a time: what is taken, what is counted and passed over, and the answer's frame.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "feed/report_parse.h"

namespace {

// The reports as "reporter,locator,when,snr,hz,mode,sender" lines.
std::string shown(const std::vector<Report>& reports) {
    std::string out;
    for (const Report& r : reports)
        out += r.reporter + "," + r.locator + "," + std::to_string(r.when) + "," + std::to_string(r.snr) + "," +
               std::to_string((long long)r.frequency_hz) + "," + r.mode + "," + r.sender + "\n";
    return out;
}

ReportParser parsed(const std::string& text, size_t chunk, std::vector<Report>& out) {
    ReportParser p;
    for (size_t at = 0; at < text.size(); at += chunk) report_parse(p, std::string_view(text).substr(at, chunk), out);
    report_parse_end(p, out);
    return p;
}

const std::string xml_head = "<?xml version=\"1.0\"?>\n<!-- a > in a comment -->\n<receptionReports currentSeconds=\"1765296000\">\n";
const std::string good_report =
    "<receptionReport receiverCallsign=\"SQ2OMK\" receiverLocator=\"JO93ia\" senderCallsign=\"MM0MZW\" "
    "senderLocator=\"IO85jw\" frequency=\"7075672\" flowStartSeconds=\"1765267215\" mode=\"FT8\" isSender=\"1\" sNR=\"-13\" />\n";
const std::string table_head = "time,rx_sign,rx_loc,tx_sign,frequency,snr\n";

struct Case {
    const char* name;
    std::string text;
    ReportFormat format;
    bool answer;
    std::string reports;
    long long bad;
    int64_t sequence;
};

const std::vector<Case> cases = {
    {"psk reporter answer", xml_head + "<lastSequenceNumber value=\"33557421611\"/>\n" + good_report +
         "<receptionReport receiverCallsign='K1&amp;A' senderCallsign='MM0MZW' flowStartSeconds='1765267215' sNR='1'/>\n"
         "<receptionReport receiverCallsign=\"K1ABC\" senderCallsign=\"MM0MZW\" flowStartSeconds=\"1765267230\" sNR=\"-20\"/>\n"
         "<receptionReport receiverCallsign=\"W1AW\" senderCallsign=\"MM0MZW\" flowStartSeconds=\"1765267230\"/>\n"
         "<receptionReport receiverCallsign=\"W1AW\" senderCallsign=\"MM0MZW\" flowStartSeconds=\"99\" sNR=\"1\"/>\n"
         "<receptionReport receiverCallsign=\"W1AW\" senderCallsign=\"MM0MZW\" flowStartSeconds=\"1765267230\" sNR=\"900\"/>\n"
         "<receptionReport receiverCallsign=\"W1AW\" receiverLocator=\"JO93,ia\" senderCallsign=\"MM0MZW\" flowStartSeconds=\"1765267230\" sNR=\"1\"/>\n"
         "<receptionReport receiverCallsign=\"W1AW\" senderCallsign=\"MM0MZW\" flowStartSeconds=\"1765267230\" sNR=\"1\" frequency=\"x\"/>\n"
         "<receptionReport receiverCallsign=\"W1AW\" senderCallsign=\"MM0MZW\" flowStartSeconds=\"1765267230\" sNR=\"1/>\n"
         "<receptionReport receiverCallsign=\"" + std::string(5000, 'A') + "\"/>\n</receptionReports>\n",
     ReportFormat::xml, true,
     "SQ2OMK,JO93ia,1765267215,-13,7075672,FT8,MM0MZW\nK1ABC,,1765267230,-20,0,,MM0MZW\n", 8, 33557421611},
    {"xml without its frame", "<html><body>Too many queries</body></html>", ReportFormat::xml, false, "", 0, -1},
    {"wspr.live csv, columns in another order, quoted",
     "\"snr\",\"tx_sign\",\"band\",\"time\",\"rx_sign\",\"rx_loc\",\"frequency\"\r\n"
     "-21,\"MM0MZW\",14,\"2025-12-09 08:00:00\",\"DL1ABC\",\"JO62qm\",14097061\r\n"
     "-7,\"MM0MZW\",14,\"2025-12-09 08:02:00\",\"vk2xyz\",\"QF56\",14097052\r\n"
     "-7,\"MM0MZW\",14,\"2025-13-09 08:02:00\",\"VK2XYZ\",\"QF56\",14097052\r\n"
     "-7,\"MM0MZW\",14,\"2025-12-09 08:02:00\"\r\n"
     "\r\n"
     "-99,\"MM0MZW\",14,\"2025-12-09 08:04:00\",\"VK2XYZ\",\"QF56\",14097052",  // no line end at the end
     ReportFormat::table, true,
     "DL1ABC,JO62qm,1765267200,-21,14097061,WSPR,MM0MZW\nvk2xyz,QF56,1765267320,-7,14097052,WSPR,MM0MZW\n", 3, -1},
    {"wspr.live tsv", "time\trx_sign\trx_loc\ttx_sign\tfrequency\tsnr\n2025-12-09 08:00:00\tDL1ABC\tJO62\tMM0MZW\t14097061\t-21\n",
     ReportFormat::table, true, "DL1ABC,JO62,1765267200,-21,14097061,WSPR,MM0MZW\n", 0, -1},
    {"a table without the columns", "Code: 62. DB::Exception: Syntax error\n", ReportFormat::other, false, "", 0, -1},
    {"wsprnet archive",
     "1130358407,1522540800,DC0DX/MW2,JO31lk,-28,0.137553,2E0ILY,IO82qv,23,0,673,100,-1,,0\n"
     "1130358408,1522540800,DC0DX,JO31lk,-28,abc,2E0ILY,IO82qv,23,0,673,100,-1,,0\n"
     "1130358409,1522540800,DC0DX\n"
     "1130358410,1522540920,G4ABC,,3,14.097100,2E0ILY,IO82qv,23,0,673,100,14,,0\n" + std::string(5000, '9') + "\n",
     ReportFormat::archive, true,
     "DC0DX/MW2,JO31lk,1522540800,-28,137553,WSPR,2E0ILY\nG4ABC,,1522540920,3,14097100,WSPR,2E0ILY\n", 3, -1},
};

TEST(ReportParse, EachShapeWholeAndByteByByte) {
    for (const Case& c : cases)
        for (size_t chunk : {c.text.size(), size_t(1), size_t(7)}) {
            std::vector<Report> out;
            ReportParser p = parsed(c.text, chunk, out);
            SCOPED_TRACE(std::string(c.name) + ", chunks of " + std::to_string(chunk));
            EXPECT_EQ(p.format, c.format);
            EXPECT_EQ(p.answer_seen, c.answer);
            EXPECT_EQ(shown(out), c.reports);
            EXPECT_EQ(p.bad, c.bad);
            EXPECT_EQ(p.last_sequence, c.sequence);
            EXPECT_LE(p.pending.capacity(), 2 * report_item_limit + 64);
        }
}

TEST(ReportParse, CallsAndTimes) {
    for (auto [call, valid] : std::vector<std::pair<const char*, bool>>{
             {"DC0DX/MW2", true}, {"k1abc", true}, {"DL1ABC-1", true}, {"ABC", false}, {"K1", false},
             {"K1 ABC", false}, {"K1,ABC", false}, {"K1ABCDEFGHIJKLMNOP", false}})
        EXPECT_EQ(report_call_valid(call), valid) << call;
    EXPECT_TRUE(report_call_same("mm0mzw", "MM0MZW"));
    EXPECT_FALSE(report_call_same("MM0MZW", "MM0MZ"));
    int64_t when = 0;
    EXPECT_TRUE(report_time_parse("2025-12-09 08:00:15", when));
    EXPECT_EQ(when, 1765267215);
    for (const char* bad : {"2025-12-09T08:00:15", "2025-12-09 24:00:00", "2025-12-09 08:00", "+025-12-09 08:00:15"})
        EXPECT_FALSE(report_time_parse(bad, when)) << bad;
}

}  // namespace
