#pragma once

// Watching another program's windows on the X display a benchmark runs under (Xvfb):
// when a process maps its first window, and how long a menu of that window takes to
// open when clicked. Works for any X program, so that another tool can be timed beside
// ours. Xlib and the XTEST extension are loaded at run time: without a display or those
// libraries the probe says so and the benchmark prints no such figure.

// Include it after every Qt header: Xlib's macros (Bool, Status, None...) clash with Qt's
// names, and are undefined again at the end.

#include <QElapsedTimer>
#include <QString>

#include <dlfcn.h>
#include <poll.h>

#if __has_include(<X11/Xlib.h>)
#include <X11/Xlib.h>
#include <X11/keysym.h>
#define ZK_HAVE_XLIB 1
#endif

#ifdef ZK_HAVE_XLIB

class XProbe
{
public:
    XProbe()
    {
        m_x11 = dlopen("libX11.so.6", RTLD_NOW | RTLD_LOCAL);
        m_xtst = dlopen("libXtst.so.6", RTLD_NOW | RTLD_LOCAL);
        if (!m_x11 || !load())
            return;
        m_dpy = pOpenDisplay(nullptr);
        if (!m_dpy)
            return;
        m_root = DefaultRootWindow(m_dpy);
        pSelectInput(m_dpy, m_root, SubstructureNotifyMask);
        m_pidAtom = pInternAtom(m_dpy, "_NET_WM_PID", False);
        int ev = 0, err = 0, major = 0, minor = 0;
        m_canClick = m_xtst && pTestQuery && pTestQuery(m_dpy, &ev, &err, &major, &minor);
    }
    ~XProbe()
    {
        if (m_dpy)
            pCloseDisplay(m_dpy);
    }
    XProbe(const XProbe &) = delete;
    XProbe &operator=(const XProbe &) = delete;

    bool ok() const { return m_dpy != nullptr; }
    bool canClick() const { return m_canClick; }

    // Waits until process `pid` maps a window; its ID, or 0 after `timeoutMs`.
    Window waitForMappedWindow(long pid, int timeoutMs)
    {
        if (const Window w = findWindowOf(pid))
            return w;
        QElapsedTimer t;
        t.start();
        XEvent e;
        while (nextEvent(&e, int(timeoutMs - t.elapsed())))
            if (e.type == MapNotify && !e.xmap.override_redirect && pidOf(e.xmap.window) == pid)
                return e.xmap.window;
        return 0;
    }

    // Clicks at (x, y) of window `w` and returns the milliseconds until a popup (an
    // override-redirect window) mapped, then closes it with Escape; -1 when none came
    // within `timeoutMs`.
    double menuOpenMs(Window w, int x, int y, int timeoutMs)
    {
        if (!m_canClick)
            return -1;
        int rx = 0, ry = 0;
        Window child = 0;
        if (!pTranslate(m_dpy, w, m_root, x, y, &rx, &ry, &child))
            return -1;
        drain();
        pTestMotion(m_dpy, -1, rx, ry, 0);
        pTestButton(m_dpy, 1, True, 0);
        pTestButton(m_dpy, 1, False, 0);
        pFlush(m_dpy);
        QElapsedTimer t;
        t.start();
        XEvent e;
        Window popup = 0;
        while (!popup && nextEvent(&e, int(timeoutMs - t.elapsed())))
            if (e.type == MapNotify && e.xmap.override_redirect)
                popup = e.xmap.window;
        const double ms = t.nsecsElapsed() / 1e6;
        const KeyCode esc = pKeysymToKeycode(m_dpy, XK_Escape);
        pTestKey(m_dpy, esc, True, 0);
        pTestKey(m_dpy, esc, False, 0);
        pFlush(m_dpy);
        if (!popup)
            return -1;
        QElapsedTimer closing;
        closing.start();
        while (nextEvent(&e, int(timeoutMs - closing.elapsed())))
            if (e.type == UnmapNotify && e.xunmap.window == popup)
                break;
        return ms;
    }

private:
    template <typename F>
    bool sym(F &f, void *lib, const char *name)
    {
        f = lib ? reinterpret_cast<F>(dlsym(lib, name)) : nullptr;
        return f != nullptr;
    }
    bool load()
    {
        sym(pTestQuery, m_xtst, "XTestQueryExtension");
        sym(pTestMotion, m_xtst, "XTestFakeMotionEvent");
        sym(pTestButton, m_xtst, "XTestFakeButtonEvent");
        sym(pTestKey, m_xtst, "XTestFakeKeyEvent");
        return sym(pOpenDisplay, m_x11, "XOpenDisplay") && sym(pCloseDisplay, m_x11, "XCloseDisplay")
               && sym(pSelectInput, m_x11, "XSelectInput") && sym(pInternAtom, m_x11, "XInternAtom")
               && sym(pPending, m_x11, "XPending") && sym(pNextEvent, m_x11, "XNextEvent")
               && sym(pFlush, m_x11, "XFlush") && sym(pGetProperty, m_x11, "XGetWindowProperty")
               && sym(pFree, m_x11, "XFree") && sym(pQueryTree, m_x11, "XQueryTree")
               && sym(pTranslate, m_x11, "XTranslateCoordinates")
               && sym(pKeysymToKeycode, m_x11, "XKeysymToKeycode")
               && sym(pGetAttributes, m_x11, "XGetWindowAttributes");
    }

    long pidOf(Window w)
    {
        Atom type = 0;
        int format = 0;
        unsigned long n = 0, after = 0;
        unsigned char *data = nullptr;
        long pid = -1;
        if (pGetProperty(m_dpy, w, m_pidAtom, 0, 1, False, XA_CARDINAL_ATOM, &type, &format, &n, &after, &data) == Success
            && data && n == 1 && format == 32)
            pid = long(*reinterpret_cast<unsigned long *>(data));
        if (data)
            pFree(data);
        return pid;
    }

    Window findWindowOf(long pid)
    {
        Window rootRet = 0, parent = 0, *children = nullptr;
        unsigned int n = 0;
        Window found = 0;
        if (!pQueryTree(m_dpy, m_root, &rootRet, &parent, &children, &n))
            return 0;
        for (unsigned int i = 0; i < n && !found; ++i) {
            XWindowAttributes a;
            if (pGetAttributes(m_dpy, children[i], &a) && a.map_state == IsViewable && !a.override_redirect
                && pidOf(children[i]) == pid)
                found = children[i];
        }
        if (children)
            pFree(children);
        return found;
    }

    // The next event within `timeoutMs`; false when none came.
    bool nextEvent(XEvent *e, int timeoutMs)
    {
        QElapsedTimer t;
        t.start();
        for (;;) {
            if (pPending(m_dpy) > 0) {
                pNextEvent(m_dpy, e);
                return true;
            }
            const int left = int(timeoutMs - t.elapsed());
            if (left <= 0)
                return false;
            pollfd p{ConnectionNumber(m_dpy), POLLIN, 0};
            poll(&p, 1, left);
        }
    }
    void drain()
    {
        XEvent e;
        while (pPending(m_dpy) > 0)
            pNextEvent(m_dpy, &e);
    }

    static constexpr Atom XA_CARDINAL_ATOM = 6; // XA_CARDINAL of Xatom.h

    void *m_x11 = nullptr;
    void *m_xtst = nullptr;
    Display *m_dpy = nullptr;
    Window m_root = 0;
    Atom m_pidAtom = 0;
    bool m_canClick = false;

    Display *(*pOpenDisplay)(const char *) = nullptr;
    int (*pCloseDisplay)(Display *) = nullptr;
    int (*pSelectInput)(Display *, Window, long) = nullptr;
    Atom (*pInternAtom)(Display *, const char *, Bool) = nullptr;
    int (*pPending)(Display *) = nullptr;
    int (*pNextEvent)(Display *, XEvent *) = nullptr;
    int (*pFlush)(Display *) = nullptr;
    int (*pGetProperty)(Display *, Window, Atom, long, long, Bool, Atom, Atom *, int *, unsigned long *,
                        unsigned long *, unsigned char **) = nullptr;
    int (*pFree)(void *) = nullptr;
    Status (*pQueryTree)(Display *, Window, Window *, Window *, Window **, unsigned int *) = nullptr;
    Bool (*pTranslate)(Display *, Window, Window, int, int, int *, int *, Window *) = nullptr;
    KeyCode (*pKeysymToKeycode)(Display *, KeySym) = nullptr;
    Status (*pGetAttributes)(Display *, Window, XWindowAttributes *) = nullptr;
    Bool (*pTestQuery)(Display *, int *, int *, int *, int *) = nullptr;
    int (*pTestMotion)(Display *, int, int, int, unsigned long) = nullptr;
    int (*pTestButton)(Display *, unsigned int, Bool, unsigned long) = nullptr;
    int (*pTestKey)(Display *, unsigned int, Bool, unsigned long) = nullptr;
};

#else

using Window = unsigned long;
class XProbe
{
public:
    bool ok() const { return false; }
    bool canClick() const { return false; }
    Window waitForMappedWindow(long, int) { return 0; }
    double menuOpenMs(Window, int, int, int) { return -1; }
};

#endif

#undef Bool
#undef Status
#undef None
#undef KeyPress
#undef KeyRelease
#undef FocusIn
#undef FocusOut
#undef Expose
#undef CursorShape
#undef Unsorted
#undef FontChange
#undef GrayScale
#undef Always
#undef Success
