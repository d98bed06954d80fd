/* Counts the pictures that reach the X server in one window, for the frame-rate harness: every
 * drawing into the window is reported by the X server (DAMAGE, raw rectangles), and after each
 * report the window is read back (MIT-SHM) and compared with the last picture read. Prints
 * "UPDATES DISTINCT CAPTURES SECONDS": drawings reported, pictures read that differed from the
 * one before, pictures read, and the time watched. Runs until SECONDS have passed.
 * Built natively by held_key_fps.sh: cc x_pictures.c -lX11 -lXext -lXdamage. Not a test. */
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <X11/extensions/Xdamage.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/ipc.h>
#include <sys/select.h>
#include <sys/shm.h>
#include <time.h>

static double nowSeconds(void) {
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec + now.tv_nsec / 1e9;
}

/* FNV-1a over the picture's rows. */
static uint64_t pictureHash(const XImage *image) {
    uint64_t hash = 1469598103934665603ull;
    for (int y = 0; y < image->height; ++y) {
        const uint32_t *row = (const uint32_t *)(image->data + (size_t)y * image->bytes_per_line);
        for (int x = 0; x < image->width; ++x) {
            hash = (hash ^ (row[x] & 0xFFFFFFu)) * 1099511628211ull;
        }
    }
    return hash;
}

int main(int argc, char **argv) {
    if (argc != 3) {
        fprintf(stderr, "usage: %s WINDOW_ID SECONDS\n", argv[0]);
        return 2;
    }
    const Window window = (Window)strtoul(argv[1], NULL, 0);
    const double seconds = atof(argv[2]);
    Display *display = XOpenDisplay(NULL);
    int damageEvent = 0;
    int damageError = 0;
    if (!display || !XDamageQueryExtension(display, &damageEvent, &damageError) || !XShmQueryExtension(display)) {
        fprintf(stderr, "%s: no display with DAMAGE and MIT-SHM\n", argv[0]);
        return 1;
    }
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(display, window, &attributes) || attributes.depth != 24) {
        fprintf(stderr, "%s: window 0x%lx is not a 24-bit window\n", argv[0], window);
        return 1;
    }
    XShmSegmentInfo segment = {0};
    XImage *image = XShmCreateImage(display, attributes.visual, attributes.depth, ZPixmap, NULL, &segment,
                                    attributes.width, attributes.height);
    segment.shmid = shmget(IPC_PRIVATE, (size_t)image->bytes_per_line * image->height, IPC_CREAT | 0600);
    segment.shmaddr = image->data = shmat(segment.shmid, NULL, 0);
    segment.readOnly = False;
    XShmAttach(display, &segment);
    shmctl(segment.shmid, IPC_RMID, NULL); /* gone once both sides detach */
    XDamageCreate(display, window, XDamageReportRawRectangles);
    XSync(display, False);

    long updates = 0;
    long distinct = 0;
    long captures = 0;
    uint64_t last = 0;
    const double start = nowSeconds();
    const double end = start + seconds;
    for (double now = start; now < end; now = nowSeconds()) {
        int drawn = 0;
        while (XPending(display)) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type == damageEvent + XDamageNotify) {
                const XDamageNotifyEvent *damage = (const XDamageNotifyEvent *)&event;
                updates += damage->more ? 0 : 1;
                drawn = 1;
            }
        }
        if (drawn) {
            /* Read back only once the reports so far are taken, so the reading keeps up. */
            if (XShmGetImage(display, window, image, 0, 0, AllPlanes)) {
                const uint64_t hash = pictureHash(image);
                ++captures;
                distinct += captures == 1 || hash != last ? 1 : 0;
                last = hash;
            }
            continue;
        }
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(ConnectionNumber(display), &readable);
        const double left = end - now;
        struct timeval wait = {(time_t)left, (suseconds_t)((left - (time_t)left) * 1e6)};
        select(ConnectionNumber(display) + 1, &readable, NULL, NULL, &wait);
    }
    printf("%ld %ld %ld %.3f\n", updates, distinct, captures, nowSeconds() - start);
    XShmDetach(display, &segment);
    shmdt(segment.shmaddr);
    XCloseDisplay(display);
    return 0;
}
