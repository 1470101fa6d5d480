// Writes the program's icon as a PNG for the desktop's icon theme: icon_png OUTPUT.png
#include <QImage>
#include <cstdio>

#include "app/icons/morsela.xpm"

int main(int argc, char** argv) {
    if (argc != 2 || !QImage(morsela_xpm).save(argv[1], "PNG")) {
        std::fputs("usage: icon_png OUTPUT.png\n", stderr);
        return 1;
    }
    return 0;
}
