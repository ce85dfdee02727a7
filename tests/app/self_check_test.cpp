#include "app/check/self_check.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <regex>
#include <set>

#include "app/texts.h"
#include "platform/fakes/fake_self_check_probes.h"

namespace vantaro::app {
namespace {

using platform::FakeCheckFacts;
using platform::FirewallFacts;
using platform::PortFacts;
using platform::PowerAnswer;
using platform::Transport;
using ::testing::HasSubstr;
using ::testing::Not;

constexpr char kCode[] = "Zq7-secret";

std::unique_ptr<platform::MemoryProfileStore> Store(const std::string& port = "5868") {
  auto store = std::make_unique<platform::MemoryProfileStore>();
  store->Preset("TalvenServer_config", {{"first_run", "FALSE"},
                                        {"autologin", "TRUE"},
                                        {"securitylogin", "TRUE"},
                                        {"securitycode", kCode},
                                        {"port", port},
                                        {"device_id", "1765432100"}});
  store->Preset("TalvenServer_file_config", {{"path_count", "1"}, {"0", "Z:\\home\\ann\\Music"}});
  return store;
}

CheckOutcome RunCheck(FakeCheckFacts& facts, std::unique_ptr<platform::MemoryProfileStore> store,
                      const std::string& language = "en_US.UTF-8") {
  auto probes = platform::MakeFakeSelfCheckProbes(facts, std::move(store), language);
  return RunSelfCheckCommand(*probes, "2.2");
}

TEST(SelfCheckTest, AWorkingComputerPassesWithoutAFixLine) {
  FakeCheckFacts facts;
  CheckOutcome outcome = RunCheck(facts, Store());
  EXPECT_EQ(outcome.exitCode, 0);
  EXPECT_THAT(outcome.text, Not(HasSubstr("fix:")));
  EXPECT_THAT(outcome.text, Not(HasSubstr("[FAIL]")));
  EXPECT_THAT(outcome.text, HasSubstr("[ ok ] TCP port 5869 (control): free\n"));
  EXPECT_THAT(outcome.text, HasSubstr("[ ok ] Shared folder Z:\\home\\ann\\Music: readable\n"));
  EXPECT_THAT(outcome.text, HasSubstr("\nThe remote modes can work.\n"));
}

// One broken fact per row: the line it gives, the fix printed under it, and whether it alone
// stops the remote modes (exit status 1) or only limits them (0).
struct BrokenFact {
  const char* name;
  std::function<void(FakeCheckFacts&)> breakIt;
  const char* line;  // the whole item line
  const char* fix;   // a part of the fix line below it
  int exitCode;
};

void PrintTo(const BrokenFact& row, std::ostream* os) { *os << row.name; }

class SelfCheckFailureTest : public ::testing::TestWithParam<BrokenFact> {};

TEST_P(SelfCheckFailureTest, GivesItsFixLineAndExitStatus) {
  const BrokenFact& row = GetParam();
  FakeCheckFacts facts;
  row.breakIt(facts);
  CheckOutcome outcome = RunCheck(facts, Store());
  std::string line = std::string(row.line) + "\n       fix: ";
  size_t at = outcome.text.find(line);
  ASSERT_NE(at, std::string::npos) << outcome.text;
  size_t end = outcome.text.find('\n', at + line.size());
  EXPECT_THAT(outcome.text.substr(at + line.size(), end - at - line.size()), HasSubstr(row.fix));
  EXPECT_EQ(outcome.exitCode, row.exitCode) << outcome.text;
  EXPECT_EQ(outcome.text.ends_with("The remote modes can work.\n"), row.exitCode == 0);
}

PortFacts Held(PortFacts::State state, const char* detail) { return {state, detail}; }

const BrokenFact kBrokenFacts[] = {
    {"NoDisplay", [](FakeCheckFacts& f) { f.display = {}; }, "[FAIL] X display: DISPLAY is not set",
     "DISPLAY=:0", 1},
    {"DisplayUnreachable", [](FakeCheckFacts& f) { f.display = {":7"}; },
     "[FAIL] X display: :7 cannot be opened", "XAUTHORITY", 1},
    {"NoXTest", [](FakeCheckFacts& f) { f.display.xtest = false; },
     "[FAIL] XTest extension: missing", "touch mouse", 1},
    {"NoMitShm", [](FakeCheckFacts& f) { f.display.mitShm = false; },
     "[warn] MIT-SHM extension: missing", "slower", 0},
    {"NoXFixes", [](FakeCheckFacts& f) { f.display.xfixes = false; },
     "[warn] XFixes extension: missing", "mouse pointer", 0},
    {"NoDamage", [](FakeCheckFacts& f) { f.display.damage = false; },
     "[warn] DAMAGE extension: missing", "whole screen", 0},
    {"PowerOffNeedsPassword", [](FakeCheckFacts& f) { f.power.powerOff = PowerAnswer::kChallenge; },
     "[warn] Power off: needs an administrator's password", "org.freedesktop.login1.power-off", 0},
    {"RebootRefused", [](FakeCheckFacts& f) { f.power.reboot = PowerAnswer::kNo; },
     "[warn] Restart: not allowed for this user", "org.freedesktop.login1.reboot", 0},
    {"NoHibernation", [](FakeCheckFacts& f) { f.power.hibernate = PowerAnswer::kNotSupported; },
     "[warn] Hibernate: not supported by this computer", "swap area", 0},
    {"NoLogind",
     [](FakeCheckFacts& f) {
       f.power = {PowerAnswer::kUnknown, PowerAnswer::kUnknown, PowerAnswer::kUnknown, "no bus"};
     },
     "[warn] Power off: logind cannot be asked: no bus", "systemd-logind", 0},
    {"ControlPortTaken",
     [](FakeCheckFacts& f) {
       f.ports[{Transport::kTcp, 5869}] = Held(PortFacts::kHeldByOther, "nc, pid 4242");
     },
     "[FAIL] TCP port 5869 (control): held by another program (nc, pid 4242)",
     "\"port\" in /home/ann/.config/TalvenServer/vantaro-server.ini", 1},
    {"DiscoveryPortTaken",
     [](FakeCheckFacts& f) {
       f.ports[{Transport::kUdp, 5868}] = Held(PortFacts::kHeldByOther, "uid 0");
     },
     "[FAIL] UDP port 5868 (discovery): held by another program (uid 0)", "Stop the program", 1},
    {"DataPortUntried",
     [](FakeCheckFacts& f) {
       f.ports[{Transport::kTcp, 5870}] = Held(PortFacts::kError, "Permission denied");
     },
     "[FAIL] TCP port 5870 (data): cannot be tried: Permission denied", "another port", 1},
    {"NoAddress", [](FakeCheckFacts& f) { f.network.interfaces[1].address.clear(); },
     "[FAIL] Network: no interface is up with an IPv4 address", "Connect the computer", 1},
    {"NoMulticast", [](FakeCheckFacts& f) { f.network.interfaces[1].multicast = false; },
     "[FAIL] Discovery (multicast 239.0.0.1): no interface that is up with an address takes "
     "multicast",
     "multicast on", 1},
    {"NoDefaultRoute", [](FakeCheckFacts& f) { f.network.defaultRouteInterface.clear(); },
     "[FAIL] Default route: none: the service waits for the network and stays closed",
     "--assume-network-up", 1},
    {"UfwBlocks",
     [](FakeCheckFacts& f) {
       f.ufw = {FirewallFacts::kActive, FirewallFacts::kClosed, {}};
     },
     "[FAIL] Firewall ufw: active, blocks the ports", "sudo ufw allow vantaro", 1},
    {"UfwRulesNeedRoot",
     [](FakeCheckFacts& f) {
       f.ufw = {FirewallFacts::kActive, FirewallFacts::kCannotTell, "Permission denied"};
     },
     "[warn] Firewall ufw: active; its rules cannot be read: Permission denied",
     "See the rules: sudo ufw status; open the ports: sudo ufw allow vantaro", 0},
    {"FirewalldBlocks",
     [](FakeCheckFacts& f) {
       f.firewalld = {FirewallFacts::kActive, FirewallFacts::kClosed, "zone public"};
     },
     "[FAIL] Firewall firewalld: active, blocks the ports (zone public)",
     "sudo firewall-cmd --reload && sudo firewall-cmd --permanent --add-service=vantaro && sudo "
     "firewall-cmd --reload",
     1},
    {"FirewalldUnknown",
     [](FakeCheckFacts& f) {
       f.firewalld = {FirewallFacts::kUnknown, {}, "no system bus"};
     },
     "[warn] Firewall firewalld: state unknown: no system bus", "firewall-cmd --list-all", 0},
    {"NoCamera", [](FakeCheckFacts& f) { f.capture.video.clear(); },
     "[warn] Video capture devices: none", "camera", 0},
    {"NoMicrophone", [](FakeCheckFacts& f) { f.capture.audio.clear(); },
     "[warn] Audio capture devices: none", "microphone", 0},
    {"SettingsReadableByOthers", [](FakeCheckFacts& f) { f.settingsFile.mode = 0644; },
     "[warn] Settings file: /home/ann/.config/TalvenServer/vantaro-server.ini, mode 0644: other "
     "users can read it",
     "chmod 600 /home/ann/.config/TalvenServer/vantaro-server.ini", 0},
    {"SettingsUnreadable",
     [](FakeCheckFacts& f) {
       f.settingsFile = {true, false, false, 0600, "Permission denied"};
     },
     "[FAIL] Settings file: /home/ann/.config/TalvenServer/vantaro-server.ini cannot be read: "
     "Permission denied",
     "sudo chown $USER", 1},
    {"SharedFolderGone", [](FakeCheckFacts& f) { f.folders["Z:\\home\\ann\\Music"] = {}; },
     "[warn] Shared folder Z:\\home\\ann\\Music: does not exist", "Create the folder", 0},
    {"SharedFolderIsAFile",
     [](FakeCheckFacts& f) {
       f.folders["Z:\\home\\ann\\Music"] = {true, false, true, 0644, {}};
     },
     "[warn] Shared folder Z:\\home\\ann\\Music: is not a folder", "remove it", 0},
    {"SharedFolderLocked",
     [](FakeCheckFacts& f) {
       f.folders["Z:\\home\\ann\\Music"] = {true, true, false, 0700, "Permission denied"};
     },
     "[warn] Shared folder Z:\\home\\ann\\Music: cannot be read: Permission denied", "chmod u+rx",
     0},
};

INSTANTIATE_TEST_SUITE_P(EachItem, SelfCheckFailureTest, ::testing::ValuesIn(kBrokenFacts),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(SelfCheckTest, CountsTheFailuresInTheVerdict) {
  FakeCheckFacts facts;
  facts.display = {};
  facts.network.defaultRouteInterface.clear();
  CheckOutcome outcome = RunCheck(facts, Store());
  EXPECT_EQ(outcome.exitCode, 1);
  EXPECT_THAT(outcome.text, HasSubstr("\n2 item(s) keep the remote modes from working"));
  // Without a display its extensions are not guessed at.
  EXPECT_THAT(outcome.text, HasSubstr("[skip] XTest extension: not checked: no X display\n"));
}

TEST(SelfCheckTest, PortsFollowTheSettingAndTheFirewallFixNamesThem) {
  FakeCheckFacts facts;
  facts.ufw = {FirewallFacts::kActive, FirewallFacts::kClosed, {}};
  facts.firewalld = {FirewallFacts::kActive, FirewallFacts::kClosed, "zone home"};
  CheckOutcome outcome = RunCheck(facts, Store("6000"));
  using P = std::pair<Transport, uint16_t>;
  EXPECT_EQ(
      facts.portsAsked,
      (std::vector<P>{{Transport::kUdp, 6000}, {Transport::kTcp, 6001}, {Transport::kTcp, 6002}}));
  ASSERT_EQ(facts.firewallPortsAsked.size(), 2u);
  EXPECT_EQ(facts.firewallPortsAsked[0].control, 6001);
  EXPECT_THAT(outcome.text, HasSubstr("[ ok ] Service port: 6000 (from the settings)\n"));
  // The packaged profiles only cover 5868 to 5870.
  EXPECT_THAT(outcome.text,
              HasSubstr("fix: Open the ports: sudo ufw allow 6000/udp && sudo ufw allow "
                        "6001:6002/tcp\n"));
  EXPECT_THAT(outcome.text, HasSubstr("--add-port=6000/udp --add-port=6001-6002/tcp && sudo "
                                      "firewall-cmd --reload\n"));
}

TEST(SelfCheckTest, PortSettingReadsAsTheServiceReadsIt) {
  struct Row {
    const char* stored;
    const char* line;
    uint16_t discovery;
  };
  const Row rows[] = {
      {"", "[ ok ] Service port: 5868 (the default)", 5868},
      {"wrong", "[ ok ] Service port: 5868 (the default)", 5868},
      {"12ab", "[ ok ] Service port: 12 (from the settings)", 12},
      // The service takes the low 16 bits, as the listeners do.
      {"70000", "[warn] Service port: 70000 is not from 1 to 65533; the service uses 4464", 4464},
      {"65535", "[warn] Service port: 65535 is not from 1 to 65533; the service uses 65535", 65535},
  };
  for (const Row& row : rows) {
    FakeCheckFacts facts;
    CheckOutcome outcome = RunCheck(facts, Store(row.stored));
    EXPECT_THAT(outcome.text, HasSubstr(std::string(row.line) + "\n")) << row.stored;
    ASSERT_FALSE(facts.portsAsked.empty());
    EXPECT_EQ(facts.portsAsked[0].second, row.discovery) << row.stored;
  }
}

TEST(SelfCheckTest, APortHeldByTheRunningServerIsFine) {
  FakeCheckFacts facts;
  for (uint16_t port : {5869, 5870})
    facts.ports[{Transport::kTcp, port}] =
        Held(PortFacts::kHeldByThisProgram, "vantaro-server, pid 9");
  facts.ports[{Transport::kUdp, 5868}] =
      Held(PortFacts::kHeldByThisProgram, "vantaro-server, pid 9");
  CheckOutcome outcome = RunCheck(facts, Store());
  EXPECT_EQ(outcome.exitCode, 0);
  EXPECT_THAT(
      outcome.text,
      HasSubstr("[ ok ] TCP port 5870 (data): held by this program (vantaro-server, pid 9)"));
}

TEST(SelfCheckTest, SettingsNotCreatedYetIsNoFault) {
  FakeCheckFacts facts;
  facts.settingsFile = {false, false, false, 0, "No such file or directory"};
  CheckOutcome outcome = RunCheck(facts, std::make_unique<platform::MemoryProfileStore>());
  EXPECT_EQ(outcome.exitCode, 0);
  EXPECT_THAT(outcome.text, HasSubstr("does not exist yet; the first start creates it\n"));
  EXPECT_THAT(outcome.text, HasSubstr("[ ok ] Shared folders: none yet;"));
}

TEST(SelfCheckTest, NoSharedFolderAfterTheFirstRunIsAWarning) {
  FakeCheckFacts facts;
  auto store = Store();
  store->DeleteSection("TalvenServer_file_config");
  CheckOutcome outcome = RunCheck(facts, std::move(store));
  EXPECT_EQ(outcome.exitCode, 0);
  EXPECT_THAT(outcome.text,
              HasSubstr("[warn] Shared folders: none: the file manager shows nothing\n"
                        "       fix: Add a folder"));
}

TEST(SelfCheckTest, NeverShowsTheSecurityCode) {
  for (const char* language : {"en_US.UTF-8", "zh_CN.UTF-8", "zh_TW.UTF-8"}) {
    FakeCheckFacts facts;
    facts.settingsFile.mode = 0644;  // the line about the file that holds the code
    CheckOutcome outcome = RunCheck(facts, Store(), language);
    EXPECT_THAT(outcome.text, Not(HasSubstr(kCode))) << language;
  }
}

TEST(SelfCheckTest, SpeaksTheInterfaceLanguage) {
  struct Row {
    const char* locale;
    const char* title;
    const char* failure;
  };
  const Row rows[] = {
      {"zh_CN.UTF-8", "Vantaro 自检", "[失败] X 显示: 没有设置 DISPLAY"},
      {"zh_TW.UTF-8", "Vantaro 自檢", "[失敗] X 顯示: 沒有設置 DISPLAY"},
      {"de_DE.UTF-8", "Vantaro self-check", "[FAIL] X display: DISPLAY is not set"}};
  for (const Row& row : rows) {
    FakeCheckFacts facts;
    facts.display = {};
    CheckOutcome outcome = RunCheck(facts, Store(), row.locale);
    EXPECT_TRUE(outcome.text.starts_with(std::string(row.title) + " (vantaro-server 2.2)\n"))
        << outcome.text;
    EXPECT_THAT(outcome.text, HasSubstr(row.failure));
  }
}

std::multiset<std::string> Placeholders(const std::string& text) {
  std::multiset<std::string> found;
  std::regex placeholder("%[1-9]");
  for (auto it = std::sregex_iterator(text.begin(), text.end(), placeholder);
       it != std::sregex_iterator(); ++it)
    found.insert(it->str());
  return found;
}

TEST(CheckTextsTest, EveryLanguageHasEveryTextWithTheSamePlaceholders) {
  const auto members = AllCheckTexts();
  // A member without a row would stay empty in every language.
  EXPECT_EQ(members.size(), sizeof(CheckTexts) / sizeof(std::string));
  CheckTexts english;
  LoadCheckTexts(kEnglish, english);
  for (int language : {kSimplifiedChinese, kTraditionalChinese}) {
    CheckTexts texts;
    LoadCheckTexts(language, texts);
    for (auto member : members) {
      EXPECT_FALSE((texts.*member).empty()) << english.*member;
      EXPECT_EQ(Placeholders(texts.*member), Placeholders(english.*member)) << english.*member;
    }
  }
}

TEST(CheckTextsTest, FillInReplacesNumberedPlaceholders) {
  EXPECT_EQ(FillIn("%2 then %1", {"a", "b"}), "b then a");
  EXPECT_EQ(FillIn("100% of %1, %3 stays", {"x"}), "100% of x, %3 stays");
  // A value that looks like a placeholder is not filled in again.
  EXPECT_EQ(FillIn("%1 %2", {"%2", "y"}), "%2 y");
}

}  // namespace
}  // namespace vantaro::app
