/* Watches a rectangle of the X screen for the first text: prints the
 * milliseconds from START_US (the wall clock, in microseconds, when the
 * program under test was started) to the first frame in which at least
 * MIN_PIXELS pixels of the rectangle are bright (each channel above 200),
 * as white text on a dark page is. Polls as fast as the server answers.
 *
 *   usage: first_text_probe X Y W H START_US [MIN_PIXELS [TIMEOUT_S]]
 * Prints "-1" after TIMEOUT_S (default 20) without text. */
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <stdio.h>
#include <stdlib.h>
#include <time.h>

static long long now_us(void) {
  struct timespec t;
  clock_gettime(CLOCK_REALTIME, &t);
  return (long long)t.tv_sec * 1000000 + t.tv_nsec / 1000;
}

int main(int argc, char **argv) {
  if (argc < 6) {
    fprintf(stderr, "usage: first_text_probe X Y W H START_US [MIN_PIXELS [TIMEOUT_S]]\n");
    return 2;
  }
  int x = atoi(argv[1]), y = atoi(argv[2]);
  unsigned w = (unsigned)atoi(argv[3]), h = (unsigned)atoi(argv[4]);
  long long start = atoll(argv[5]);
  int min_pixels = argc > 6 ? atoi(argv[6]) : 50;
  double timeout = argc > 7 ? atof(argv[7]) : 20.0;
  Display *d = XOpenDisplay(NULL);
  if (!d) {
    fprintf(stderr, "first_text_probe: no display\n");
    return 1;
  }
  Window root = DefaultRootWindow(d);
  while (now_us() - start < (long long)(timeout * 1e6)) {
    XImage *image = XGetImage(d, root, x, y, w, h, AllPlanes, ZPixmap);
    long long seen = now_us();
    if (!image) continue;
    int bright = 0;
    for (unsigned j = 0; j < h && bright < min_pixels; ++j) {
      for (unsigned i = 0; i < w; ++i) {
        unsigned long p = XGetPixel(image, (int)i, (int)j);
        if (((p >> 16) & 0xFF) > 200 && ((p >> 8) & 0xFF) > 200 && (p & 0xFF) > 200) {
          if (++bright >= min_pixels) break;
        }
      }
    }
    XDestroyImage(image);
    if (bright >= min_pixels) {
      printf("%.1f\n", (seen - start) / 1000.0);
      return 0;
    }
  }
  printf("-1\n");
  return 0;
}
