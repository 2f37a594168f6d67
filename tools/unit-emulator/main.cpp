// unit-emulator: plays KR-960, KR-960/8 and KR-9X units on the loopback
// network for a bounded time, then prints what each unit received.
//
//   unit-emulator --pc-port 2000 --unit-port 2001 --kr960 1,2 --kr960-8 3
//                 --kr9x 17,18 --seconds 30
//                 --script "2000 silence 1; 6000 resume 1; 8000 local 2"
//
// Units are numbered 0, 1, ... in command-line order; unit n has serial n + 1,
// so it lives on 127.0.0.<n + 2> with MAC 02:4b:56:<model>:80:<n + 1>.

#include <algorithm>
#include <charconv>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <exception>
#include <map>
#include <stdexcept>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "unit_emulator.h"

namespace {

constexpr int kMaxSeconds = 3600;

volatile std::sig_atomic_t g_stop = 0;
void onSignal(int) { g_stop = 1; }

void usage(std::FILE* to) {
  std::fputs(
      "usage: unit-emulator [--pc-port N] [--unit-port N] [--kr960 IDS] [--kr960-8 IDS]\n"
      "                     [--kr9x IDS] [--seconds S] [--script TEXT] [--no-pattern] [--verbose]\n"
      "  IDS      comma-separated unit IDs, e.g. 1,2 (KR-960 family 1-16, KR-9X 17-32)\n"
      "  --pc-port    the console's receive port on 127.0.0.1 (default 2000)\n"
      "  --unit-port  every unit's port on its 127.0.0.K (default 2001, 0 = any free one)\n"
      "  --seconds    run time, 1 to 3600 (default 10)\n"
      "  --script     'MS COMMAND; ...' at MS milliseconds after start, commands:\n"
      "               silence U | resume U | local U | remote U | aux U | noaux U |\n"
      "               id U NEWID | conflict U | meter U CH PEAK AVG |\n"
      "               supply U V48 V24 V5 V3V3 | temp U CELSIUS\n"
      "               U is a unit's index, not its unit ID: 0, 1, ... in the order\n"
      "               the IDs are given on the command line (the 'unit N:' lines\n"
      "               printed at start); conflict U adds a unit of U's model and\n"
      "               ID with another MAC as the next index\n"
      "  --no-pattern send fixed meter levels instead of a moving pattern\n"
      "  --verbose    print every received datagram as hex\n",
      to);
}

bool parseInt(std::string_view s, long lo, long hi, long& out) {
  long v = 0;
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
  if (ec != std::errc() || end != s.data() + s.size() || v < lo || v > hi) return false;
  out = v;
  return true;
}

struct Step {
  long atMs = 0;
  std::vector<std::string> words;  // command and arguments
};

bool parseScript(const std::string& text, std::vector<Step>& steps) {
  std::stringstream all(text);
  std::string item;
  while (std::getline(all, item, ';')) {
    std::stringstream one(item);
    std::string word;
    Step step;
    if (!(one >> word)) continue;  // empty item
    if (!parseInt(word, 0, kMaxSeconds * 1000L, step.atMs)) return false;
    while (one >> word) step.words.push_back(word);
    if (step.words.empty()) return false;
    steps.push_back(step);
  }
  std::stable_sort(steps.begin(), steps.end(), [](const Step& a, const Step& b) { return a.atMs < b.atMs; });
  return true;
}

struct Program {
  emu::Emulator emulator;
  std::vector<bool> pattern;  // unit sends the moving meter pattern
  int nextSerial = 1;
  bool usePattern = true;

  Program(std::uint16_t pcPort, std::uint16_t unitPort) : emulator(pcPort, unitPort) {}

  int add(emu::UnitConfig config) {
    const int unit = emulator.addUnit(config);
    pattern.push_back(usePattern);
    std::printf("unit %d: %s id %d on 127.0.0.%d:%u\n", unit, emu::modelName(config.model), config.unitId,
                config.hostOctet, emulator.unitPort());
    return unit;
  }

  int addNew(emu::Model model, int unitId) {
    if (nextSerial > 253) throw std::runtime_error("too many units");
    return add(emu::defaultConfig(model, unitId, nextSerial++));
  }

  void movePattern(std::uint64_t nowMs) {
    for (int u = 0; u < emulator.unitCount(); ++u)
      if (pattern[static_cast<std::size_t>(u)]) emu::moveMeterPattern(emulator, u, nowMs);
  }

  // Returns an error text, empty when the step was applied.
  std::string run(const Step& s) {
    const auto& w = s.words;
    long unit = 0;
    if (w.size() < 2 || !parseInt(w[1], 0, emulator.unitCount() - 1, unit)) return "needs the index of an existing unit";
    const int u = static_cast<int>(unit);
    auto arg = [&](std::size_t i, long lo, long hi, long& out) { return i < w.size() && parseInt(w[i], lo, hi, out); };
    const std::string& cmd = w[0];
    long a = 0, b = 0, c = 0, d = 0, e = 0;
    if (cmd == "silence" || cmd == "resume") {
      emulator.setSilent(u, cmd == "silence");
    } else if (cmd == "local" || cmd == "remote") {
      emulator.setLocalMode(u, cmd == "local");
    } else if (cmd == "aux" || cmd == "noaux") {
      emulator.setAuxPower(u, cmd == "aux");
    } else if (cmd == "id") {
      if (!arg(2, 0, 255, a)) return "id U NEWID";
      emulator.setUnitId(u, static_cast<int>(a));
    } else if (cmd == "conflict") {
      const emu::UnitConfig& old = emulator.config(u);
      addNew(old.model, old.unitId);
    } else if (cmd == "meter") {
      if (!arg(2, 0, 15, a) || !arg(3, -255, 255, b) || !arg(4, -255, 255, c)) return "meter U CH PEAK AVG";
      pattern[static_cast<std::size_t>(u)] = false;
      emulator.setMeter(u, static_cast<int>(a), static_cast<int>(b), static_cast<int>(c));
    } else if (cmd == "supply") {
      if (!arg(2, 0, 255, a) || !arg(3, 0, 255, b) || !arg(4, 0, 255, c) || !arg(5, 0, 255, d))
        return "supply U V48 V24 V5 V3V3";
      emulator.setSupplies(u, emu::Supplies{static_cast<std::uint8_t>(a), static_cast<std::uint8_t>(b),
                                            static_cast<std::uint8_t>(c), static_cast<std::uint8_t>(d)});
    } else if (cmd == "temp") {
      if (!arg(2, 0, 255, e)) return "temp U CELSIUS";
      emulator.setTemperature(u, static_cast<std::uint8_t>(e));
    } else {
      return "unknown command";
    }
    return {};
  }
};

bool addList(Program& p, emu::Model model, const std::string& list) {
  std::stringstream ss(list);
  std::string item;
  bool any = false;
  while (std::getline(ss, item, ',')) {
    long id = 0;
    if (!parseInt(item, 0, 255, id)) return false;
    p.addNew(model, static_cast<int>(id));
    any = true;
  }
  return any;
}

int runMain(int argc, char** argv) {
  long pcPort = 2000, unitPort = 2001, seconds = 10;
  bool verbose = false, usePattern = true;
  std::string scriptText;
  std::vector<std::pair<emu::Model, std::string>> lists;

  auto bad = [](const char* what) {
    std::fprintf(stderr, "unit-emulator: bad %s\n", what);
    return 2;
  };
  for (int i = 1; i < argc; ++i) {
    const std::string opt = argv[i];
    const bool hasValue = i + 1 < argc;
    auto value = [&]() { return std::string(argv[++i]); };
    if (opt == "--help" || opt == "-h") {
      usage(stdout);
      return 0;
    } else if (opt == "--verbose") {
      verbose = true;
    } else if (opt == "--no-pattern") {
      usePattern = false;
    } else if (!hasValue) {
      std::fprintf(stderr, "unit-emulator: %s needs a value or is unknown\n", opt.c_str());
      return 2;
    } else if (opt == "--pc-port") {
      if (!parseInt(value(), 1, 65535, pcPort)) return bad("--pc-port (1-65535)");
    } else if (opt == "--unit-port") {
      if (!parseInt(value(), 0, 65535, unitPort)) return bad("--unit-port (0-65535)");
    } else if (opt == "--seconds") {
      if (!parseInt(value(), 1, kMaxSeconds, seconds)) return bad("--seconds (1-3600)");
    } else if (opt == "--script") {
      scriptText = value();
    } else if (opt == "--kr960") {
      lists.emplace_back(emu::Model::KR960, value());
    } else if (opt == "--kr960-8") {
      lists.emplace_back(emu::Model::KR960_8, value());
    } else if (opt == "--kr9x") {
      lists.emplace_back(emu::Model::KR9X, value());
    } else {
      std::fprintf(stderr, "unit-emulator: unknown option %s\n", opt.c_str());
      return 2;
    }
  }

  std::vector<Step> steps;
  if (!parseScript(scriptText, steps)) {
    std::fprintf(stderr, "unit-emulator: bad script (each step is 'MS COMMAND ARGS')\n");
    return 2;
  }

  Program p(static_cast<std::uint16_t>(pcPort), static_cast<std::uint16_t>(unitPort));
  p.usePattern = usePattern;
  for (const auto& [model, list] : lists) {
    if (!addList(p, model, list)) {
      std::fprintf(stderr, "unit-emulator: bad unit ID list '%s'\n", list.c_str());
      return 2;
    }
  }
  if (p.emulator.unitCount() == 0) {
    std::fprintf(stderr, "unit-emulator: no units (use --kr960, --kr960-8 or --kr9x)\n");
    return 2;
  }

  struct sigaction sa{};
  sa.sa_handler = onSignal;
  sigaction(SIGINT, &sa, nullptr);
  sigaction(SIGTERM, &sa, nullptr);

  std::map<std::pair<int, emu::Kind>, std::size_t> counts;
  auto collect = [&](std::uint64_t nowMs) {
    for (const emu::Received& r : p.emulator.received()) {
      ++counts[{r.unit, r.kind}];
      if (verbose)
        std::printf("%8llu ms unit %d %s %zu bytes: %s\n", static_cast<unsigned long long>(nowMs), r.unit,
                    emu::kindName(r.kind), r.bytes.size(), emu::toHex(r.bytes).c_str());
    }
    p.emulator.clearReceived();
  };

  using clock = std::chrono::steady_clock;
  const auto start = clock::now();
  const std::uint64_t totalMs = static_cast<std::uint64_t>(seconds) * 1000;
  // A round waits at most 2 ms, so the count bound is never the one that ends the run.
  const std::uint64_t maxRounds = totalMs * 1000;
  std::size_t nextStep = 0;
  std::uint64_t nowMs = 0;
  for (std::uint64_t round = 0; round < maxRounds && !g_stop; ++round) {
    nowMs = static_cast<std::uint64_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(clock::now() - start).count());
    if (nowMs >= totalMs) break;
    for (; nextStep < steps.size() && static_cast<std::uint64_t>(steps[nextStep].atMs) <= nowMs; ++nextStep) {
      const Step& s = steps[nextStep];
      const std::string error = p.run(s);
      std::string text;
      for (const auto& w : s.words) text += (text.empty() ? "" : " ") + w;
      std::printf("%8llu ms script: %s%s%s\n", static_cast<unsigned long long>(nowMs), text.c_str(),
                  error.empty() ? "" : " -- ignored: ", error.c_str());
    }
    if (p.usePattern) p.movePattern(nowMs);
    p.emulator.tick(nowMs);
    p.emulator.pump(static_cast<int>(std::min<std::uint64_t>(2, totalMs - nowMs)));
    collect(nowMs);
  }
  p.emulator.pump(0);
  collect(nowMs);

  for (int u = 0; u < p.emulator.unitCount(); ++u) {
    const emu::UnitConfig& c = p.emulator.config(u);
    std::printf("unit %d %-8s id %-3d 127.0.0.%-3d reports %-6llu period %u ms  received: state %zu  control %zu"
                "  netconfig %zu  unknown %zu\n",
                u, emu::modelName(c.model), c.unitId, c.hostOctet,
                static_cast<unsigned long long>(p.emulator.reportsSent(u)), p.emulator.periodMs(u),
                counts[{u, emu::Kind::State}], counts[{u, emu::Kind::Control}], counts[{u, emu::Kind::NetConfig}],
                counts[{u, emu::Kind::Unknown}]);
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    return runMain(argc, argv);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "unit-emulator: %s\n", e.what());
    return 1;
  }
}
