// Every kind of finding about the configuration and the import file, each
// from the smallest snippet that shows it, and the clean pair that shows
// none. The unknown column name and characters behind a standard file's
// number are pinned by the end-to-end check run. A finding is "LINE: text" here; the file name is the case's own.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "app/file_check.h"
#include "core/driver_options.h"
#include "support/temp_dir.h"

namespace tolvan {
namespace {

using testing::TempDir;

const std::string kScales =
    "scale=A,ip=127.0.0.1,port=50021,model=vt30\r\n"
    "scale=B,ip=127.0.0.2,model=meriopro,maxpludesclen=5\r\n";

struct Case {
  const char* config;  // null: kScales
  const char* import;  // null: no import (no mode)
  int mode;
  std::string expected;  // "LINE: text"; empty: no finding at all
  int format = kFormatStandard;
  const char* report = nullptr;  // --report
};

const std::string kStops13 = "; the run stops with error 13";
const std::string kStops14 = "; the run stops with error 14";
const std::string kStops16 = "; the run stops with error 16 (\"No data in import text file : in.txt\")";
const std::string kSentAsTheyAre = "; the driver sends the bytes as they are";

const Case kCases[] = {
    {nullptr, "Plu_No,UnitPrice,Desc\r\n1,1.50,abc\r\n2,2.00,de\r\n", kModeAdd, ""},
    // import file
    {nullptr, "\xEF\xBB\xBFPlu_No\r\n1\r\n", kModeAdd,
     "1: the file starts with a byte-order mark; the driver skips it"},
    {nullptr, "Plu_No,\"Dept\"\r\n1,2\r\n", kModeAdd,
     "1: column 2 header \"\"Dept\"\" is written in quotes, so it matches no column; the driver skips this column"},
    {nullptr, "\"Plu_No\",\"Dept\"\r\n1,2\r\n", kModeAdd,
     "1: the header line is written in quotes, so the driver takes it for data (a dropped row) and reads every column "
     "by position"},
    {nullptr, "Dept\r\n1\r\n", kModeAdd, "1: the header has no \"Plu_No\" column; the driver drops every row"},
    {nullptr, "Plu_No\r\n\r\n0\r\n", kModeAdd, "3: row dropped: Plu_No \"0\" is not above 0; the driver skips it"},
    {nullptr, "Plu_No\r\n1\r\nx\r\n", kModeAdd, "3: row dropped: Plu_No \"x\" is not a number; the driver skips it"},
    {nullptr, "Dept,Plu_No\r\n1,1\r\n2\r\n", kModeAdd, "3: row dropped: it has no Plu_No field; the driver skips it"},
    {nullptr, "Plu_No,Dept\r\n1,x\r\n", kModeAdd, "2: Dept \"x\" is not a number; the driver leaves the field 0"},
    {nullptr, "Plu_No\r\n3001.5\r\n", kModeAdd,
     "2: Plu_No \"3001.5\" has a decimal point; the driver drops it and reads 30015"},
    {nullptr, "Plu_No,UnitPrice\r\n1,5.00\r\n3,5.5\r\n", kModeAdd,
     "3: UnitPrice \"5.5\" has 1 decimal place where line 2 has 2 (\"5.00\"); the driver drops the point and reads 55 "
     "here"},
    {nullptr, "Plu_No,SalesMode\r\n1,300\r\n", kModeAdd,
     "2: SalesMode \"300\" is outside 0 to 127; the driver stores the low 8 bits, 44"},
    {nullptr, "Plu_No,Tare\r\n1,40000\r\n", kModeAdd,
     "2: Tare \"40000\" is outside 0 to 32767; the driver stores the low 16 bits, 40000, which the scale reads as "
     "-25536"},
    {nullptr, "Plu_No,Weight\r\n1,99999999999999\r\n", kModeAdd,
     "2: Weight \"99999999999999\" does not fit in 32 bits; the driver leaves the field 0"},
    {nullptr, "Plu_No,PosCode\r\n1,123456789012\r\n", kModeAdd,
     "2: PosCode has 12 characters; the driver keeps the first 10"},
    {nullptr, "Plu_No,Desc\r\n1,abcdefgh\r\n", kModeAdd,
     "2: the description is longer than the scale takes; the driver cuts it for B (maxpludesclen 5) by 4 bytes"},
    {nullptr, "Plu_No\r\n1000000\r\n", kModeAdd,
     "2: number 1000000 cannot go to scale A; that scale does not get this record"},
    {nullptr, "RecNo\r\n0\r\n", kModeDelete,
     "2: a deletion of number 0; every scale takes it as the deletion of every record of this type"},
    {nullptr, "Plu_No\r\n5\r\n5\r\n", kModeAdd, "3: number 5 was also on line 2; the driver keeps this line's values"},
    {nullptr, "Plu_No\r\n1\r\n2\r\n3\r\n2\r\n", kModeAdd,
     "5: number 2 was also on line 3; the driver keeps this line's values"},
    {nullptr, "Plu_No,Tare\r\n\"x\",\"40000\"\r\n", kModeAdd,
     "2: row dropped: Plu_No \"x\" is not a number; the driver skips it"},
    {nullptr, "Plu_No,Dept\r\n1\r\n", kModeAdd,
     "2: 1 fields where the header names 2; the columns without a field keep 0 or empty"},
    {nullptr, "Plu_No\r\n1,2\r\n", kModeAdd,
     "2: 2 fields where the header names 1; the driver does not read the fields behind the last named column"},
    {nullptr, "Plu_No\r\n0\r\n", kModeAdd, "0: no row gives a record" + kStops16},
    {nullptr, "Dep\r\n1\r\n", kModeAdd, "1: no header name matches a column of this data type" + kStops16},
    {nullptr, "\r\n\r\n", kModeAdd, "0: the file holds no data, only blank or comment lines if any" + kStops16},
    {nullptr, "Plu_No,UnitPrice\r\n", kModeAdd, "1: the file holds the header line and no row" + kStops16},
    // numbers beyond the digits a configured scale's field holds
    {nullptr, "Plu_No,UnitPrice\r\n1,123456.78\r\n2,999999.99\r\n", kModeAdd,
     "2: UnitPrice \"123456.78\" has 8 digits; a vt30 keeps the first 6 and shows 1234.56 (1 more line like it, "
     "the last line 3)"},
    {nullptr, "Plu_No,Dept,Group,ItemCode\r\n1,12,345,123456\r\n", kModeAdd,
     "2: Dept 12, Group 345 and ItemCode 123456 do not fit the item code's 1, 2 and 5 digits; a vt30 reads 15462345 "
     "as Dept 1, Group 54, ItemCode 62345; a meriopro reads 54623456 as Dept 5, Group 46, ItemCode 23456"},
    {nullptr, "RecNo\r\n123456789\r\n", kModeDelete,
     "2: RecNo \"123456789\" has 9 digits; a meriopro keeps the last 8 and shows 23456789"},
    {"scale=A,ip=127.0.0.1,model=vt30,maxexmsg=50\r\nscale=C,ip=127.0.0.3,model=vt30,maxexmsg=500\r\n",
     "Plu_No,Message7\r\n1,123\r\n", kModeAdd, "2: Message7 \"123\" has 3 digits; scale A keeps the first 2 and shows 12"},
    // bytes above 127 in texts, and the encoding the file seems to be in
    {nullptr, "Plu_No,Desc\r\n1,ok\r\n2,K\xC3\xA4se\r\n", kModeAdd,
     "3: Desc holds \"\xC3\xA4\" (C3 A4), beyond ASCII; the file looks like UTF-8: \"\xC3\xA4\" is two characters on "
     "the scale" + kSentAsTheyAre},
    {nullptr, "Plu_No,Desc\r\n1,K\xE4se\r\n", kModeAdd,
     "2: Desc holds byte E4, beyond ASCII; the file looks like a single-byte code page: each such byte is one "
     "character on the scale, the one the scale's own code page has there" + kSentAsTheyAre},
    {"charset=gbcode\r\nscale=A,ip=127.0.0.1,model=vt30\r\n", "Plu_No,Desc\r\n1,K\xC3\xA4se\r\n2,\xC3\xA9t\xC3\xA9\r\n",
     kModeAdd,
     "2: Desc holds \"\xC3\xA4\" (C3 A4), beyond ASCII (2 lines have such bytes, the last line 3); the file looks like "
     "UTF-8, but the scales read charset gbcode: they take its bytes in pairs as gbcode characters" + kSentAsTheyAre},
    {"charset=gbcode\r\nscale=A,ip=127.0.0.1,model=vt30\r\n", "Plu_No,Desc\r\n1,\xC4\xE3\xBA\xC3\r\n", kModeAdd, ""},
    {nullptr,
     "bc1\x1fp#7\x1f"
     "dtHello\r\nxx, a description line\r\n\x1f\r\nxx\r\n",
     kModeAdd, "4: line skipped: its first tag \"xx\" is none of bc, p# and r#; the driver skips it", kFormatWmsmart},
    {nullptr, "r#5\x1fxx\r\nr#6\x1frtHi\r\n", kModeAdd,
     "1: record dropped: no \"rt\" field behind r#; the driver skips it and reads the lines below as records",
     kFormatWmsmart},
    {nullptr, "bc1\x1fp#7\x1fu$x\r\n", kModeAdd,
     "1: record dropped: u$ \"x\" is not a number; the driver skips the whole record", kFormatWmsmart},
    {nullptr, "00012a00\r\n", kModeAdd, "1: Plu_No \"00012a\" has characters behind the number; the driver reads 12",
     kFormatSeasia},
    {nullptr, "p#0\r\n", kModeAdd,
     "1: a deletion of number 0; every scale takes it as the deletion of every record of this type", kFormatWmsmart},
    // configuration
    {"\xEF\xBB\xBFscale=A,ip=1.2.3.4\r\n", nullptr, kModeNone,
     "1: the file starts with a byte-order mark; the driver skips it"},
    {"scale=A,ip=1.2.3.4,prot=udp\r\n", nullptr, kModeNone,
     "1: unknown key \"prot\" (nearest known key: \"port\"); the driver ignores it"},
    {"scale=A,ip=1.2.3.4,address\r\n", nullptr, kModeNone,
     "1: item \"address\" has no '=' and sets nothing; the driver ignores it"},
    {"foo=1\r\n", nullptr, kModeNone, "1: unknown key \"foo\"" + kStops13},
    {"ip=1.2.3.4\r\n", nullptr, kModeNone, "1: \"ip\" may only stand behind a scale on its line" + kStops13},
    {"scale=A,model=merio\r\n", nullptr, kModeNone,
     "1: model value \"merio\" is not an accepted one; the run stops with error 14"},
    {"scale=A,ipaddr=1.2.3.4\r\n", nullptr, kModeNone,
     "1: key \"ipaddr\" is read as \"ip\"; the driver applies it as that key"},
    {"scale=A,ip=1.2.3.4,port=99999\r\n", nullptr, kModeNone,
     "1: port \"99999\" is not 1 to 65535; the driver uses port 34463"},
    {"scale=A,ip=1.2.3.4,port=x\r\n", nullptr, kModeNone, "1: port \"x\" is not a number; the driver keeps port 50021"},
    {"scale=A,ip=127.0.0.256\r\n", nullptr, kModeNone,
     "1: ip \"127.0.0.256\" is not a dotted IPv4 address; the driver cannot reach this scale"},
    {"scale=A,ip=1.2.3.4,protocol=udb\r\n", nullptr, kModeNone,
     "1: protocol \"udb\" is neither tcp nor udp; the driver uses tcp"},
    {"scale=A,ip=1.2.3.4,receivetimeout=x\r\n", nullptr, kModeNone,
     "1: receivetimeout value \"x\" is not a number; the driver ignores it and keeps the value it had"},
    {"charset=big5,scale=A\r\n", nullptr, kModeNone,
     "1: items behind a global setting set nothing; the driver ignores them"},
    {"charset=utf8\r\n", nullptr, kModeNone, "1: charset \"utf8\" names no charset; the driver uses 1byte"},
    {"; none yet\r\n", "Plu_No\r\n1\r\n", kModeAdd, "0: no scale is configured; every operation runs over no scale"},
    {"scale=A,ip=1.2.3.4\r\nscale=A,ip=1.2.3.5\r\n", nullptr, kModeNone,
     "2: scale \"A\" has the same name as the scale on line 1; the driver keeps their work files apart, but messages "
     "cannot tell them apart"},
    {"scale=A,ip=1.2.3.4\r\nscale=B,ip=1.2.3.4,port=50021\r\n", nullptr, kModeNone,
     "2: scale \"B\" has the same address and port as the scale on line 1; the driver sends that scale everything "
     "twice"},
    {"scale=A,ip=1.2.3.4,log=drv.log\r\n", nullptr, kModeNone,
     "1: log file \"drv.log\" of scale \"A\" is the driver log" + kStops14},
    {"scale=A,ip=1.2.3.4,resend=./in.txt\r\n", "Plu_No\r\n1\r\n", kModeAdd,
     "1: resend file \"./in.txt\" of scale \"A\" is the import file" + kStops14},
    {"scale=A,ip=1.2.3.4\r\nscale=B,ip=1.2.3.5,log=AWrk.txt\r\n", nullptr, kModeNone,
     "2: log file \"AWrk.txt\" of scale \"B\" is scale \"A\"'s work file" + kStops14},
    {"scale=../A,ip=1.2.3.4\r\n", nullptr, kModeNone,
     "1: work file \"../AWrk.txt\" of scale \"../A\" leads out of the folder with \"..\"" + kStops14},
    {"scale=A,ip=1.2.3.4,resend=a.rsd\r\n", nullptr, kModeNone,
     "0: --report names scale \"A\"'s resend file; the run stops with exit status 64 before it does anything",
     kFormatStandard, "a.rsd"},
};

TEST(FileFindings, EachKindIsFoundWithItsLineAndWhatTheDriverDoes) {
  for (const Case& c : kCases) {
    TempDir dir;
    testing::CurrentDir here(dir.path());
    DriverOptions options;
    options.configFile = "cfg.txt";
    options.logFile = "drv.log";
    options.mode = c.mode;
    options.dataFormat = c.format;
    if (c.report != nullptr) options.reportFile = c.report;
    dir.write("cfg.txt", c.config != nullptr ? c.config : kScales);
    if (c.import != nullptr) {
      dir.write("in.txt", c.import);
      options.dataFile = "in.txt";
    }
    FileFindings found = lookAtFiles(options);
    std::vector<std::string> lines;
    for (const Finding& f : found.findings) lines.push_back(std::to_string(f.line) + ": " + f.text);
    EXPECT_EQ(found.unreadable, kMsgOk);
    if (c.expected.empty()) {
      EXPECT_TRUE(lines.empty()) << lines.front();
    } else {
      EXPECT_NE(std::find(lines.begin(), lines.end(), c.expected), lines.end()) << c.expected << "\nfound:\n"
                                                                                << ::testing::PrintToString(lines);
    }
  }
}

// Two million bad rows must not hold two million findings: a check lists
// the first thousand of a kind and says how many more there are, and the
// warnings' closing count still counts every one.
TEST(FileFindings, BeyondAThousandOfAKindAreCountedAndSaid) {
  TempDir dir;
  testing::CurrentDir here(dir.path());
  dir.write("cfg.txt", kScales);
  std::string rows = "Plu_No\r\n";
  for (int i = 0; i < 1003; ++i) rows += "x\r\n";
  dir.write("in.txt", rows);
  DriverOptions options;
  options.configFile = "cfg.txt";
  options.mode = kModeAdd;
  options.dataFile = "in.txt";
  FileFindings found = lookAtFiles(options);
  // Of each kind ("not a number", "row dropped") a thousand, and "no row gives a record".
  ASSERT_EQ(found.findings.size(), 2001u);
  EXPECT_EQ(countFindings(found.findings), 2007u);
  std::FILE* out = std::tmpfile();
  writeFindings(out, found.findings);
  writeFindingWarnings(out, found.findings, kMaxWarningLines);
  std::rewind(out);
  std::string text(1 << 20, '\0');
  text.resize(std::fread(text.data(), 1, text.size(), out));
  std::fclose(out);
  EXPECT_NE(text.find("in.txt:1001: row dropped: Plu_No \"x\" is not a number; the driver skips it\n"
                      "... and 3 more like it\ntolvandrv: warning: in.txt:0: no row gives a record"),
            std::string::npos);
  EXPECT_EQ(text.substr(text.rfind("tolvandrv: warning: ...")), "tolvandrv: warning: ... and 1987 more\n");
}

}  // namespace
}  // namespace tolvan
