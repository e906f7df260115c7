// The udev rule shipped for the instruments' USB bridges, read as udev reads it: every line
// a list of KEY{attribute} OPERATOR "value" separated by commas. Where `udevadm verify` exists
// the build runs it as well; this check needs no udev at all.
#include "link/UsbBridge.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace qv::test {
namespace {

struct Assignment {
  std::string key;  // "ATTRS{product}"
  std::string op;   // "==", "+=", ...
  std::string value;
};

// The rule lines of the file, each split into its key-operator-value pairs; a line that does
// not parse fails the test and is named.
std::vector<std::vector<Assignment>> ReadRules(const std::string& path) {
  std::ifstream in(path);
  EXPECT_TRUE(in.good()) << path;
  const std::regex pair(
      R"re(^\s*([A-Z_]+(?:\{[A-Za-z0-9_]+\})?)\s*(==|!=|\+=|-=|:=|=)\s*"([^"]*)"\s*(,|$))re");
  std::vector<std::vector<Assignment>> rules;
  std::string line;
  int number = 0;
  while (std::getline(in, line)) {
    ++number;
    if (line.find_first_not_of(" \t") == std::string::npos || line[0] == '#') continue;
    std::vector<Assignment> rule;
    std::string rest = line;
    std::smatch m;
    while (!rest.empty() && std::regex_search(rest, m, pair)) {
      rule.push_back({m[1], m[2], m[3]});
      rest = m.suffix();
    }
    EXPECT_TRUE(rest.empty()) << "line " << number << " does not parse at: " << rest;
    rules.push_back(rule);
  }
  return rules;
}

TEST(UdevRuleTest, GrantsTheSeatUserTheBridgesAndKeepsModemManagerAway) {
  const auto rules = ReadRules(QV_SOURCE_DIR "/data/udev/70-quorvantel.rules");
  const std::set<std::string> matchOnly = {"ACTION", "SUBSYSTEM", "ATTR", "ATTRS"};
  const std::set<std::string> assignOnly = {"TAG", "GOTO", "LABEL"};
  std::set<std::string> labels, gotos, subsystems;
  const std::vector<std::string> descriptions(kUsbDescriptions.begin(), kUsbDescriptions.end());
  for (const auto& rule : rules) {
    std::map<std::string, Assignment> byKey;
    for (const Assignment& a : rule) {
      const std::string name = a.key.substr(0, a.key.find('{'));
      const bool match = a.op == "==" || a.op == "!=";
      if (matchOnly.count(name) != 0) {
        EXPECT_TRUE(match) << a.key << a.op;
      }
      if (assignOnly.count(name) != 0) {
        EXPECT_FALSE(match) << a.key << a.op;
      }
      if (name == "LABEL") labels.insert(a.value);
      if (name == "GOTO") gotos.insert(a.value);
      byKey[a.key] = a;
    }
    if (byKey.count("SUBSYSTEM") == 0) continue;
    const std::string subsystem = byKey["SUBSYSTEM"].value;
    SCOPED_TRACE(subsystem);
    subsystems.insert(subsystem);
    // The USB device itself has the attributes; a tty finds them on a parent.
    const std::string attr = subsystem == "usb" ? "ATTR" : "ATTRS";
    EXPECT_EQ(byKey[attr + "{idVendor}"].value, "0403");
    std::vector<std::string> products;
    std::stringstream alternatives(byKey[attr + "{product}"].value);
    for (std::string p; std::getline(alternatives, p, '|');)
      products.push_back(p);
    EXPECT_EQ(products, descriptions) << "the descriptions the link opens the bridge by";
    EXPECT_EQ(byKey["TAG"].op, "+=");
    EXPECT_EQ(byKey["TAG"].value, "uaccess");
    EXPECT_EQ(byKey["ENV{ID_MM_DEVICE_IGNORE}"].op, "=");
    EXPECT_EQ(byKey["ENV{ID_MM_DEVICE_IGNORE}"].value, "1");
    if (subsystem == "usb") {
      EXPECT_EQ(byKey["ENV{DEVTYPE}"].value, "usb_device");
    }
  }
  // The bridge library opens the USB device, the serial port the tty: both need the access.
  EXPECT_EQ(subsystems, (std::set<std::string>{"tty", "usb"}));
  EXPECT_EQ(gotos, labels);
}

}  // namespace
}  // namespace qv::test
