// Asks a window to close as a window manager would, with a WM_DELETE_WINDOW
// client message (destroying the window from outside would kill the program
// through Xlib's error handler instead of letting it shut down).
//   e2e_close_window --intern   create the protocol atoms on the server; a program
//                               advertises the close protocol only if they exist
//   e2e_close_window <window>   send the close request to the window (decimal id)
#include <X11/Xlib.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: e2e_close_window --intern | <window id>\n");
        return 2;
    }
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "e2e_close_window: cannot open the display\n");
        return 1;
    }
    const Atom protocols = XInternAtom(display, "WM_PROTOCOLS", False);
    const Atom deleteWindow = XInternAtom(display, "WM_DELETE_WINDOW", False);
    if (std::strcmp(argv[1], "--intern") != 0) {
        XEvent event;
        std::memset(&event, 0, sizeof event);
        event.xclient.type = ClientMessage;
        event.xclient.window = Window(std::strtoul(argv[1], nullptr, 10));
        event.xclient.message_type = protocols;
        event.xclient.format = 32;
        event.xclient.data.l[0] = long(deleteWindow);
        event.xclient.data.l[1] = CurrentTime;
        XSendEvent(display, event.xclient.window, False, NoEventMask, &event);
    }
    XSync(display, False);
    XCloseDisplay(display);
    return 0;
}
