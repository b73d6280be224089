// The real app on a virtual desktop (run under scripts/desktop), with the
// simulated two-fan laptop and the real daemon, each benchmark on a fresh
// start of the three:
//
//   HotKeyToPanelFrame: alt+shift+f (the default summon key) typed through
//     XTEST, to the first read of the panel's window with its content
//     drawn; Escape closes it between samples. The first summon after the
//     launch also sets up the panel's renderer (its GL context and shaders)
//     and is reported on its own.
//   IdleShare/spinning:0 and :1: the app's CPU time (every thread, from
//     /proc: utime + stime, and the scheduler's exact run time) over a
//     minute of wall time with every window closed, the tray icon standing
//     (automatic, fans at their minimum) or turning (the Max preset, chosen
//     from the main window's Fans menu before closing it). The icon's frame
//     changes are counted on the screen before, during and after the
//     minute, so a run with the wrong spin shows.
//   PanelOpenShare: the same CPU time over a minute with the panel open
//     (summoned by the hot key) and the fans at full speed (the Max preset),
//     every other window closed.
//   Memory: VmRSS and VmHWM with the main window open, 10 s after it showed.
//   MainWindowFirstFrame: the app's own count from opening the main window
//     to its first frame: at launch (cold: the window's QML is loaded and
//     compiled), then after each "Open Brumalune" from the tray menu, the
//     window having been closed; and from that menu entry's Return key to
//     the window's first drawn read on the screen.
//   WindowShare/shown:1, /minimised and /other-desktop: the app's CPU time
//     over a minute on Qt Quick's software renderer, the main window on the
//     dashboard and in view, minimised, or left on a desktop out of view.
//
// The one-minute load average goes with every figure: the host is shared.
//
//   scripts/desktop build/bench/zephrane_bench_shell
//
// ZEPHRANE_BENCH_VERBOSE=1 prints each summon's timings; ZEPHRANE_BENCH_DUMP=DIR
// saves the panel's pixels as the benchmark saw them at its first frame
// (raw BGRA, the size in the name); ZEPHRANE_BENCH_KEEP=1 keeps the logs.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <iostream>
#include <map>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <benchmark/benchmark.h>

#include "bench/ProcStat.hpp"
#include "tests/integration/DesktopX.hpp"
#include "tests/integration/SimProgram.hpp"

extern char** environ;

namespace zephrane::shellbench {
namespace {

using namespace std::chrono_literals;
using bench::cpuSeconds;
using bench::loadAverage;
using integration::DesktopX;
using integration::KeyboardGrabWatch;
namespace keysym = integration::keysym;
using integration::nowMicros;
using Clock = std::chrono::steady_clock;

bool waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds deadline,
               std::chrono::milliseconds every = 20ms) {
    const auto end = Clock::now() + deadline;
    while (true) {
        if (condition()) return true;
        if (Clock::now() >= end) return false;
        std::this_thread::sleep_for(every);
    }
}

// The scheduler's own count of every live thread's time on a CPU, in
// seconds: exact, where utime and stime are charged a whole clock tick to
// whoever runs when the tick comes, which overcharges a process whose short
// wake-ups line up with the ticks (coarse timers do).
double scheduledSeconds(pid_t pid) {
    double seconds = 0;
    std::error_code error;
    for (const auto& task : std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/task", error)) {
        std::ifstream in(task.path() / "schedstat");
        double nanoseconds = 0;
        if (in >> nanoseconds) seconds += nanoseconds / 1e9;
    }
    return seconds;
}

std::map<std::string, double> threadCPUSeconds(pid_t pid) {
    std::map<std::string, double> seconds;
    std::error_code error;
    for (const auto& task : std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/task", error)) {
        std::ifstream comm(task.path() / "comm");
        std::string name;
        std::getline(comm, name);
        if (const auto used = cpuSeconds(task.path() / "stat")) seconds[name] += *used;
    }
    return seconds;
}

// A line of /proc/PID/status in MiB.
double statusMiB(pid_t pid, const std::string& field) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind(field + ":", 0) == 0) return std::stod(line.substr(field.size() + 1)) / 1024.0;
    }
    return -1;
}

// The app's share of a core from its making to report(): its CPU time (all
// threads, utime + stime, and the scheduler's exact count), each thread's,
// and the load around it.
class ShareMeter {
public:
    explicit ShareMeter(pid_t pid)
        : pid_(pid),
          stat_("/proc/" + std::to_string(pid) + "/stat"),
          load_(loadAverage()),
          threads_(threadCPUSeconds(pid)),
          wallStart_(Clock::now()),
          cpuStart_(cpuSeconds(stat_).value_or(0)),
          scheduledStart_(scheduledSeconds(pid)) {}

    double wallSeconds() const { return std::chrono::duration<double>(Clock::now() - wallStart_).count(); }

    // Returns the wall time measured, in seconds.
    double report(benchmark::State& state) const {
        const double cpu = cpuSeconds(stat_).value_or(0) - cpuStart_;
        const double scheduled = scheduledSeconds(pid_) - scheduledStart_;
        const double wall = wallSeconds();
        for (const auto& [thread, seconds] : threadCPUSeconds(pid_)) {
            const auto before = threads_.find(thread);
            const double used = seconds - (before == threads_.end() ? 0 : before->second);
            if (used > 0) state.counters["thread " + thread] = 100.0 * used / wall;
        }
        state.counters["cpu_percent"] = 100.0 * cpu / wall;
        state.counters["cpu_percent_sched"] = 100.0 * scheduled / wall;
        state.counters["load1_before"] = load_;
        state.counters["load1_after"] = loadAverage();
        return wall;
    }

private:
    pid_t pid_;
    std::filesystem::path stat_;
    double load_;
    std::map<std::string, double> threads_;
    Clock::time_point wallStart_;
    double cpuStart_;
    double scheduledStart_;
};

pid_t spawn(const std::string& program, const std::filesystem::path& log) {
    std::vector<std::string> argv{program};
    std::vector<char*> pointers;
    for (auto& arg : argv) pointers.push_back(arg.data());
    pointers.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    pid_t pid = 0;
    const int failed = ::posix_spawn(&pid, program.c_str(), &actions, nullptr, pointers.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    return failed == 0 ? pid : 0;
}

// SIGTERM, then SIGKILL if it lingers.
void stop(pid_t pid) {
    if (pid <= 0) return;
    ::kill(pid, SIGTERM);
    if (waitUntil([&] { return ::waitpid(pid, nullptr, WNOHANG) == pid; }, 30s)) return;
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
}

// The simulated machine, the daemon and the app, with a home of their own.
class System {
public:
    explicit System(DesktopX& x) : x_(x) {
        char pattern[] = "/tmp/zshellbench-XXXXXX";
        if (::mkdtemp(pattern) == nullptr) throw std::runtime_error("mkdtemp failed");
        home_ = pattern;
        if (!sim_.waitUntilServing()) {
            error_ = "the simulator did not start";
            return;
        }
        const std::string dir = sim_.dir().string();
        ::setenv("ZEPHRANE_SIM_DIR", dir.c_str(), 1);
        ::setenv("ZEPHRANE_XPC_DIR", dir.c_str(), 1);
        ::setenv("XDG_DATA_HOME", (home_ / "data").c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", (home_ / "config").c_str(), 1);
        daemon_ = spawn(ZEPHRANE_DAEMON_PROGRAM, home_ / "daemon.log");
        if (daemon_ == 0 ||
            !waitUntil([&] { return std::filesystem::exists(sim_.dir() / "com.zephrane.Fanwarden.xpc"); }, 30s)) {
            error_ = "the daemon did not start";
            return;
        }
        app_ = spawn(ZEPHRANE_APP_PROGRAM, home_ / "app.log");
        if (app_ == 0) {
            error_ = "the app did not start";
            return;
        }
        if (!waitUntil([&] { return (main_ = x_.findViewable("Brumalune")).has_value(); }, 60s, 50ms)) {
            error_ = "the main window did not show";
            return;
        }
        // Linked and ticking: the run marker, then the tray icon painted.
        if (!waitUntil([&] { return std::filesystem::exists(home_ / "data/Zephrane/run.marker"); }, 60s, 50ms))
            error_ = "the app wrote no run marker";
    }

    ~System() {
        stop(app_);
        stop(daemon_);
        std::error_code ignored;
        if (std::getenv("ZEPHRANE_BENCH_KEEP") == nullptr) std::filesystem::remove_all(home_, ignored);
        else std::cerr << "shell bench: logs kept in " << home_ << "\n";
    }

    const std::string& error() const { return error_; }
    pid_t app() const { return app_; }
    xcb_window_t mainWindow() const { return *main_; }

    // The window shown now: a main window opened again can come back as
    // another X window.
    bool closeMainWindow() {
        if (const auto shown = x_.findViewable("Brumalune")) main_ = shown;
        x_.close(*main_);
        return waitUntil([&] { return !x_.findViewable("Brumalune").has_value(); }, 30s, 50ms);
    }

    // The app's log so far.
    std::string appLog() const {
        std::ifstream in(home_ / "app.log");
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    double fanRPM(int fan) { return readKey("F" + std::to_string(fan) + "Ac"); }
    double fanMode(int fan) { return readKey("F" + std::to_string(fan) + "Md"); }
    double fanMax(int fan) { return readKey("F" + std::to_string(fan) + "Mx"); }

private:
    double readKey(const std::string& key) {
        try {
            return sim_.control({{"command", "readKey"}, {"key", key}})["value"].get<double>();
        } catch (const std::exception&) {
            return -1;
        }
    }

    DesktopX& x_;
    std::filesystem::path home_;
    integration::SimProgram sim_{{"--machine", "two-fan-laptop", "--allow-writers", "any"}};
    pid_t daemon_ = 0;
    pid_t app_ = 0;
    std::optional<xcb_window_t> main_;
    std::string error_;
};

DesktopX& desktop() {
    static DesktopX x;
    return x;
}

bool desktopReady(benchmark::State& state) {
    if (std::getenv("DISPLAY") == nullptr) {
        state.SkipWithError("runs under scripts/desktop");
        return false;
    }
    if (!desktop().connected()) {
        state.SkipWithError("no X server with XTEST");
        return false;
    }
    return true;
}

// Changes of the tray strip (trayer along the top edge) per second over
// `span`, read every 25 ms: about the spin's frame rate while the icon
// turns, zero while it stands.
double trayChangesPerSecond(std::chrono::milliseconds span) {
    DesktopX& x = desktop();
    std::vector<std::uint8_t> last = x.pixels(x.root(), 0, 0, 1280, 24);
    int changes = 0;
    const auto start = Clock::now();
    while (Clock::now() - start < span) {
        std::this_thread::sleep_for(25ms);
        std::vector<std::uint8_t> now = x.pixels(x.root(), 0, 0, 1280, 24);
        if (now != last) ++changes;
        last = std::move(now);
    }
    return changes / std::chrono::duration<double>(Clock::now() - start).count();
}

double percentile(std::vector<double> values, double p) {
    std::sort(values.begin(), values.end());
    const auto rank = static_cast<std::size_t>(std::ceil(p * static_cast<double>(values.size())));
    return values[std::min(values.size() - 1, rank == 0 ? 0 : rank - 1)];
}

struct PanelSample {
    double mappedMs = 0;
    double frameMs = 0;
};

// One summon: the key, the panel window's MapNotify, then its pixels read
// back to back until they are not those of its first read, or until its
// first read already shows drawn (not uniform) content.
std::optional<PanelSample> summonOnce(std::optional<xcb_window_t>& panel, std::string& why) {
    DesktopX& x = desktop();
    xcb_connection_t* c = x.connection();
    while (xcb_generic_event_t* stale = xcb_poll_for_event(c)) std::free(stale);
    if (!panel) panel = x.find("Brumalune Panel");
    if (panel) x.watchStructure(*panel);
    const std::uint64_t pressed = x.chord({keysym::altL, keysym::shiftL}, keysym::f);

    std::optional<std::uint64_t> mapped;
    std::map<xcb_window_t, bool> seen;
    const std::uint64_t deadline = pressed + 10'000'000;
    while (!mapped && nowMicros() < deadline) {
        xcb_generic_event_t* event = xcb_poll_for_event(c);
        if (event == nullptr) {
            std::this_thread::sleep_for(100us);
            continue;
        }
        const std::uint8_t type = event->response_type & 0x7f;
        if (type == XCB_CREATE_NOTIFY) {
            // A new top-level: the panel's first showing, or a frame.
            x.watchStructure(reinterpret_cast<xcb_create_notify_event_t*>(event)->window);
        } else if (type == XCB_MAP_NOTIFY) {
            const xcb_window_t window = reinterpret_cast<xcb_map_notify_event_t*>(event)->window;
            if (!panel && !seen.contains(window)) {
                seen[window] = true;
                if (x.title(window) == "Brumalune Panel") panel = window;
            }
            if (panel && window == *panel) mapped = nowMicros();
        }
        std::free(event);
    }
    if (!mapped) {
        why = "the panel did not map within 10 s";
        return std::nullopt;
    }

    std::vector<std::uint8_t> first;
    std::optional<std::uint64_t> drawn;
    bool firstUniform = false;
    int reads = 0;
    while (!drawn && nowMicros() < deadline) {
        ++reads;
        const auto size = x.size(*panel);
        std::vector<std::uint8_t> image;
        if (size) image = x.pixels(*panel, 0, 0, size->first, size->second);
        const std::uint64_t read = nowMicros();
        if (image.empty()) continue;  // not viewable yet: the frame is still to be mapped
        if (first.empty()) {
            first = std::move(image);
            const std::size_t pixel = 4;
            bool uniform = true;
            for (std::size_t i = pixel; i + pixel <= first.size() && uniform; i += pixel)
                uniform = std::equal(first.begin() + static_cast<std::ptrdiff_t>(i),
                                     first.begin() + static_cast<std::ptrdiff_t>(i + pixel), first.begin());
            firstUniform = uniform;
            if (!uniform) drawn = read;
        } else if (image != first) {
            drawn = read;
            if (const char* dump = std::getenv("ZEPHRANE_BENCH_DUMP")) {
                static int n = 0;
                std::ofstream out(std::string(dump) + "/frame" + std::to_string(n++) + "-" +
                                  std::to_string(size->first) + "x" + std::to_string(size->second) + ".bgra");
                out.write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));
            }
        }
    }
    if (!drawn) {
        why = "the panel drew nothing within 10 s";
        return std::nullopt;
    }
    PanelSample sample{static_cast<double>(*mapped - pressed) / 1000.0,
                       static_cast<double>(*drawn - pressed) / 1000.0};
    if (std::getenv("ZEPHRANE_BENCH_VERBOSE") != nullptr)
        std::cerr << "panel: mapped " << sample.mappedMs << " ms, drawn " << sample.frameMs << " ms after " << reads
                  << " reads, first read " << (firstUniform ? "blank" : "drawn") << "\n";
    return sample;
}

bool dismiss(xcb_window_t panel) {
    DesktopX& x = desktop();
    x.chord({}, keysym::escape);
    if (waitUntil([&] { return !x.viewable(panel); }, 5s)) return true;
    // Not focused: the hot key toggles it too.
    x.chord({keysym::altL, keysym::shiftL}, keysym::f);
    return waitUntil([&] { return !x.viewable(panel); }, 5s);
}

void BM_HotKeyToPanelFrame(benchmark::State& state) {
    if (!desktopReady(state)) return;
    desktop().watchRootChildren();
    System system(desktop());
    if (!system.error().empty() || !system.closeMainWindow()) {
        state.SkipWithError(system.error().empty() ? "the main window did not close" : system.error().c_str());
        return;
    }
    std::this_thread::sleep_for(5s);  // the launch's work done

    std::optional<xcb_window_t> panel;
    std::vector<double> frames, maps;
    double first = 0;
    const double load = loadAverage();
    for (auto _ : state) {
        std::string why;
        const auto sample = summonOnce(panel, why);
        if (!sample) {
            state.SkipWithError(why.c_str());
            return;
        }
        state.SetIterationTime(sample->frameMs / 1000.0);
        if (frames.empty()) first = sample->frameMs;
        frames.push_back(sample->frameMs);
        maps.push_back(sample->mappedMs);
        // After its entrance, then closed and let go of its content.
        std::this_thread::sleep_for(400ms);
        if (!dismiss(*panel)) {
            state.SkipWithError("the panel did not close");
            return;
        }
        std::this_thread::sleep_for(600ms);
    }
    state.counters["first_ms"] = first;
    state.counters["p50_ms"] = percentile(frames, 0.5);
    state.counters["p95_ms"] = percentile(frames, 0.95);
    state.counters["max_ms"] = percentile(frames, 1.0);
    // Without the first (cold) summon.
    const std::vector<double> warm(frames.begin() + 1, frames.end());
    if (!warm.empty()) {
        state.counters["warm_p50_ms"] = percentile(warm, 0.5);
        state.counters["warm_p95_ms"] = percentile(warm, 0.95);
        state.counters["warm_max_ms"] = percentile(warm, 1.0);
    }
    state.counters["map_p50_ms"] = percentile(maps, 0.5);
    state.counters["load1_before"] = load;
    state.counters["load1_after"] = loadAverage();
}
BENCHMARK(BM_HotKeyToPanelFrame)->Iterations(20)->UseManualTime()->Unit(benchmark::kMillisecond);

// The Max preset: ⌃⌘4 in the main window, once it has the focus; then the
// fans up to speed, so the tray icon's spin reaches its top tier.
bool spinAtFullSpeed(System& system) {
    const bool max = waitUntil(
        [&] {
            desktop().activate(system.mainWindow());
            waitUntil([&] { return desktop().focus() == system.mainWindow(); }, 2s, 20ms);
            desktop().chord({keysym::controlL, keysym::superL}, keysym::four);
            return waitUntil([&] { return system.fanMode(0) == 1; }, 5s, 100ms);
        },
        60s, 0ms);
    if (max) waitUntil([&] { return system.fanRPM(0) >= 0.95 * system.fanMax(0); }, 60s, 200ms);
    return max;
}

// The system started with its fans at full speed first when `spinning`,
// then the main window closed and its teardown and any late work settled;
// the reason when that failed.
std::optional<std::string> windowsClosed(System& system, bool spinning) {
    if (!system.error().empty()) return system.error();
    if (spinning && !spinAtFullSpeed(system)) return "the Max preset did not take the fans";
    if (!system.closeMainWindow()) return "the main window did not close";
    std::this_thread::sleep_for(10s);
    return std::nullopt;
}

void BM_IdleShare(benchmark::State& state) {
    const bool spinning = state.range(0) != 0;
    if (!desktopReady(state)) return;
    System system(desktop());
    if (const auto why = windowsClosed(system, spinning)) {
        state.SkipWithError(why->c_str());
        return;
    }
    // The fans of the simulated laptop coast down after the launch: the
    // still icon is measured once it has stood for 3 s.
    if (!spinning && !waitUntil([] { return trayChangesPerSecond(3s) == 0; }, 120s, 0ms)) {
        state.SkipWithError("the tray icon did not come to a stop");
        return;
    }

    state.counters["icon_changes_per_s_before"] = trayChangesPerSecond(3s);
    const ShareMeter share(system.app());
    // The tray strip read four times a second all along: a spin that starts
    // or stops within the minute shows here (up to 4 changes a second).
    int changes = 0;
    for (auto _ : state) {
        std::vector<std::uint8_t> last = desktop().pixels(desktop().root(), 0, 0, 1280, 24);
        while (share.wallSeconds() < 60) {
            std::this_thread::sleep_for(250ms);
            std::vector<std::uint8_t> now = desktop().pixels(desktop().root(), 0, 0, 1280, 24);
            if (now != last) ++changes;
            last = std::move(now);
        }
    }
    const double wall = share.report(state);
    state.counters["icon_changes_per_s_during"] = changes / wall;
    state.counters["icon_changes_per_s_after"] = trayChangesPerSecond(3s);
    state.counters["fan0_rpm"] = system.fanRPM(0);
    state.counters["fan0_manual"] = system.fanMode(0);
}
BENCHMARK(BM_IdleShare)->ArgName("spinning")->Arg(0)->Arg(1)->Iterations(1)->Unit(benchmark::kSecond);

// The panel open over fans at full speed: its gauges and figures follow
// every tick while the tray icon turns.
void BM_PanelOpenShare(benchmark::State& state) {
    if (!desktopReady(state)) return;
    desktop().watchRootChildren();
    System system(desktop());
    if (const auto why = windowsClosed(system, true)) {
        state.SkipWithError(why->c_str());
        return;
    }
    std::optional<xcb_window_t> panel;
    std::string why;
    if (!summonOnce(panel, why)) {
        state.SkipWithError(why.c_str());
        return;
    }
    std::this_thread::sleep_for(2s);  // the entrance done

    const ShareMeter share(system.app());
    bool stayedOpen = true;
    for (auto _ : state) {
        while (share.wallSeconds() < 60) {
            std::this_thread::sleep_for(1s);
            stayedOpen = stayedOpen && desktop().viewable(*panel);
        }
    }
    share.report(state);
    if (!stayedOpen) {
        state.SkipWithError("the panel closed during the minute");
        return;
    }
    state.counters["fan0_rpm"] = system.fanRPM(0);
    dismiss(*panel);
}
BENCHMARK(BM_PanelOpenShare)->Iterations(1)->Unit(benchmark::kSecond);

void BM_Memory(benchmark::State& state) {
    if (!desktopReady(state)) return;
    System system(desktop());
    if (!system.error().empty()) {
        state.SkipWithError(system.error().c_str());
        return;
    }
    for (auto _ : state) std::this_thread::sleep_for(10s);
    if (!desktop().viewable(system.mainWindow())) {
        state.SkipWithError("the main window went away");
        return;
    }
    state.counters["rss_MiB"] = statusMiB(system.app(), "VmRSS");
    state.counters["hwm_MiB"] = statusMiB(system.app(), "VmHWM");
    state.counters["rss_anon_MiB"] = statusMiB(system.app(), "RssAnon");
    state.counters["rss_file_MiB"] = statusMiB(system.app(), "RssFile");
    state.counters["load1"] = loadAverage();
}
BENCHMARK(BM_Memory)->Iterations(1)->Unit(benchmark::kSecond);

// "main" window: first frame N ms after it was opened, each in turn.
std::vector<double> firstFrameLines(const std::string& log) {
    std::vector<double> ms;
    const std::string marker = "window \"main\": first frame ";
    for (std::size_t at = log.find(marker); at != std::string::npos; at = log.find(marker, at + 1))
        ms.push_back(std::stod(log.substr(at + marker.size())));
    return ms;
}

// The tray menu, up and holding the keyboard: its icon sits at the right
// end of the tray host's strip.
bool openTrayMenu(KeyboardGrabWatch& keyboard) {
    DesktopX& x = desktop();
    const auto strip = x.findViewable("panel");
    const auto where = strip ? x.geometry(*strip) : std::nullopt;
    if (!where) return false;
    for (int attempt = 0; attempt < 5; ++attempt) {
        keyboard.takeFocus();
        x.clickAt(where->x + where->width - 12, where->y + where->height / 2, 3);
        if (keyboard.waitForGrab(3s)) return true;
    }
    return false;
}

// A window's first read that is not one colour, from `since` on.
std::optional<double> drawnAfter(const std::string& title, std::uint64_t since) {
    DesktopX& x = desktop();
    const std::uint64_t deadline = since + 10'000'000;
    while (nowMicros() < deadline) {
        const auto window = x.findViewable(title);
        const auto size = window ? x.size(*window) : std::nullopt;
        if (size) {
            const auto image = x.pixels(*window, 0, 0, size->first, size->second);
            for (std::size_t i = 4; i + 4 <= image.size(); i += 4)
                if (!std::equal(image.begin() + static_cast<std::ptrdiff_t>(i),
                                image.begin() + static_cast<std::ptrdiff_t>(i + 4), image.begin()))
                    return static_cast<double>(nowMicros() - since) / 1000.0;
        }
        std::this_thread::sleep_for(1ms);
    }
    return std::nullopt;
}

void BM_MainWindowFirstFrame(benchmark::State& state) {
    if (!desktopReady(state)) return;
    KeyboardGrabWatch keyboard;
    System system(desktop());
    if (!system.error().empty()) {
        state.SkipWithError(system.error().c_str());
        return;
    }
    if (!waitUntil([&] { return !firstFrameLines(system.appLog()).empty(); }, 30s)) {
        state.SkipWithError("the app logged no first frame of its main window");
        return;
    }
    const double cold = firstFrameLines(system.appLog()).front();
    std::this_thread::sleep_for(5s);  // the launch's work done
    const double load = loadAverage();
    std::vector<double> warm, screen;
    for (auto _ : state) {
        if (!system.closeMainWindow()) {
            state.SkipWithError("the main window did not close");
            return;
        }
        std::this_thread::sleep_for(1s);
        const std::size_t before = firstFrameLines(system.appLog()).size();
        if (!openTrayMenu(keyboard)) {
            state.SkipWithError("the tray menu did not open");
            return;
        }
        desktop().chord({}, keysym::down);
        const std::uint64_t pressed = desktop().chord({}, keysym::returnKey);  // "Open Brumalune"
        const auto drawn = drawnAfter("Brumalune", pressed);
        if (!drawn || !waitUntil([&] { return firstFrameLines(system.appLog()).size() > before; }, 10s)) {
            state.SkipWithError("the main window did not come back");
            return;
        }
        warm.push_back(firstFrameLines(system.appLog()).back());
        screen.push_back(*drawn);
        state.SetIterationTime(warm.back() / 1000.0);
    }
    state.counters["cold_ms"] = cold;
    state.counters["open_p50_ms"] = percentile(warm, 0.5);
    state.counters["open_max_ms"] = percentile(warm, 1.0);
    state.counters["return_to_screen_p50_ms"] = percentile(screen, 0.5);
    state.counters["return_to_screen_max_ms"] = percentile(screen, 1.0);
    state.counters["load1_before"] = load;
    state.counters["load1_after"] = loadAverage();
}
BENCHMARK(BM_MainWindowFirstFrame)->Iterations(10)->UseManualTime()->Unit(benchmark::kMillisecond);

enum WindowPlace { inView, minimised, otherDesktop };

void BM_WindowShare(benchmark::State& state) {
    const auto place = static_cast<WindowPlace>(state.range(0));
    if (!desktopReady(state)) return;
    ::setenv("QT_QUICK_BACKEND", "software", 1);
    System system(desktop());
    ::unsetenv("QT_QUICK_BACKEND");
    if (!system.error().empty()) {
        state.SkipWithError(system.error().c_str());
        return;
    }
    const std::string id = std::to_string(system.mainWindow());
    int moved = 0;
    if (place == minimised) moved = std::system(("xdotool windowminimize " + id).c_str());
    // The window joins every desktop; left on the first, it is out of view on the second.
    if (place == otherDesktop)
        moved = std::system(("xdotool set_desktop_for_window " + id + " 0 && xdotool set_desktop 1").c_str());
    if (moved != 0) {
        state.SkipWithError("xdotool could not move the window");
        return;
    }
    std::this_thread::sleep_for(10s);  // the launch's work done, the engine's cadence settled

    const ShareMeter share(system.app());
    for (auto _ : state) std::this_thread::sleep_for(60s);
    share.report(state);
    if (place == otherDesktop && std::system("xdotool set_desktop 0") != 0) state.SkipWithError("no way back");
}
BENCHMARK(BM_WindowShare)->ArgName("place")->Arg(inView)->Arg(minimised)->Arg(otherDesktop)->Iterations(1)->Unit(
    benchmark::kSecond);

}  // namespace
}  // namespace zephrane::shellbench
