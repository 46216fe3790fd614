// SPDX-License-Identifier: GPL-3.0-or-later
// Starts a program and watches the X display for its first top-level window:
//   mapped_ms   from just before exec to the window being mapped;
//   painted_ms  from just before exec to the last change of a pixel inside the window during
//               the settle time, that is, until the window's first picture stood;
//   rss_kib     the program's resident memory at the end of the settle time;
//   cpu_ms      processor time the program used up to then.
// Then the program is ended. Prints key=value lines.
//
// usage: bench_launchwatch [--settle MS] [--timeout MS] -- PROGRAM [ARGS...]
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

namespace {

double nowMs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
}

// A window that goes away while it is being looked at is no reason to stop.
int ignoreErrors(Display *, XErrorEvent *) { return 0; }

long windowPid(Display *display, Window window)
{
    static const Atom pidAtom = XInternAtom(display, "_NET_WM_PID", False);
    Atom type = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char *data = nullptr;
    long pid = 0;
    if (XGetWindowProperty(display, window, pidAtom, 0, 1, False, XA_CARDINAL, &type, &format,
                           &count, &after, &data) == Success &&
        data) {
        if (format == 32 && count == 1)
            pid = long(*reinterpret_cast<unsigned long *>(data));
        XFree(data);
    }
    return pid;
}

bool pixelAt(Display *display, Window window, int x, int y, unsigned long &pixel)
{
    XImage *image = XGetImage(display, window, x, y, 1, 1, AllPlanes, ZPixmap);
    if (!image)
        return false;
    pixel = XGetPixel(image, 0, 0);
    XDestroyImage(image);
    return true;
}

long residentKiB(pid_t pid)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0)
            return std::strtol(line.c_str() + 6, nullptr, 10);
    }
    return -1;
}

long cpuMs(pid_t pid)
{
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    // The command name may hold blanks; the fields after it are plain numbers.
    const auto close = text.rfind(')');
    if (close == std::string::npos)
        return -1;
    std::istringstream fields(text.substr(close + 2));
    std::string field;
    long utime = 0;
    long stime = 0;
    // After the name: state is field 3; utime and stime are fields 14 and 15.
    for (int i = 3; i <= 15 && fields >> field; ++i) {
        if (i == 14)
            utime = std::stol(field);
        if (i == 15)
            stime = std::stol(field);
    }
    return (utime + stime) * 1000 / sysconf(_SC_CLK_TCK);
}

void waitMs(double ms)
{
    if (ms > 0)
        poll(nullptr, 0, int(ms));
}

int usage()
{
    std::fprintf(stderr,
                 "usage: bench_launchwatch [--settle MS] [--timeout MS] -- PROGRAM [ARGS...]\n");
    return 2;
}

} // namespace

int main(int argc, char *argv[])
{
    double settleMs = 1000;
    double timeoutMs = 30000;
    int first = 1;
    for (; first < argc; ++first) {
        const std::string arg = argv[first];
        if (arg == "--") {
            ++first;
            break;
        }
        if (first + 1 >= argc)
            return usage();
        if (arg == "--settle")
            settleMs = std::atof(argv[++first]);
        else if (arg == "--timeout")
            timeoutMs = std::atof(argv[++first]);
        else
            return usage();
    }
    if (first >= argc)
        return usage();

    Display *display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "launchwatch: cannot open the display\n");
        return 1;
    }
    XSetErrorHandler(ignoreErrors);
    const Window root = DefaultRootWindow(display);
    XSelectInput(display, root, SubstructureNotifyMask);
    XSync(display, False);

    const double started = nowMs();
    const pid_t pid = fork();
    if (pid < 0) {
        std::perror("launchwatch: fork");
        return 1;
    }
    if (pid == 0) {
        execvp(argv[first], argv + first);
        std::perror("launchwatch: exec");
        _exit(127);
    }

    Window window = None;
    double mapped = -1;
    while (mapped < 0) {
        while (mapped < 0 && XPending(display)) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type == MapNotify && event.xmap.event == root &&
                !event.xmap.override_redirect && windowPid(display, event.xmap.window) == pid) {
                mapped = nowMs() - started;
                window = event.xmap.window;
            }
        }
        if (mapped >= 0)
            break;
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid) {
            std::fprintf(stderr, "launchwatch: %s ended before showing a window\n", argv[first]);
            return 1;
        }
        if (nowMs() - started > timeoutMs) {
            std::fprintf(stderr, "launchwatch: no window within %.0f ms\n", timeoutMs);
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
            return 1;
        }
        pollfd connection{ConnectionNumber(display), POLLIN, 0};
        poll(&connection, 1, 2);
    }

    // Sample one pixel away from every control until the settle time is over; the window's
    // first picture stands from the last change on.
    double painted = mapped;
    unsigned long last = 0;
    bool seen = false;
    const double settleEnd = started + mapped + settleMs;
    while (nowMs() < settleEnd) {
        unsigned long pixel = 0;
        if (pixelAt(display, window, 5, 5, pixel)) {
            if (!seen || pixel != last)
                painted = nowMs() - started;
            last = pixel;
            seen = true;
        }
        waitMs(std::min(2.0, settleEnd - nowMs()));
    }
    const long rss = residentKiB(pid);
    const long cpu = cpuMs(pid);

    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
    XCloseDisplay(display);

    std::printf("mapped_ms=%.3f\n", mapped);
    std::printf("painted_ms=%.3f\n", painted);
    std::printf("rss_kib=%ld\n", rss);
    std::printf("cpu_ms=%ld\n", cpu);
    return 0;
}
