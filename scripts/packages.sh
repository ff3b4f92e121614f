# The Debian packages each command needs, sourced by run.sh and test.sh.
# shellcheck disable=SC2034
BUILD_PACKAGES=(cmake ninja-build g++ pkgconf libicu-dev qt6-base-dev qt6-svg-dev libgl-dev fonts-liberation scdoc)
TEST_PACKAGES=(googletest libgtest-dev clang-14 libclang-rt-14-dev e2fsprogs xfsprogs util-linux xvfb xdotool wmctrl openbox x11-utils imagemagick fusefat exfat-fuse ntfs-3g dosfstools exfatprogs attr acl libcap2-bin mmv rename time qt6ct appstream desktop-file-utils xdg-utils man-db lintian dpkg-dev)
# The Windows program, cross-built (scripts/windows.sh), and Wine to test it in; Wine's X
# driver loads the X extension libraries it finds, so they are named here.
WINDOWS_PACKAGES=(cmake ninja-build g++-mingw-w64-x86-64 mingw-w64-tools googletest nsis)
WINE_PACKAGES=(wine wine64 fonts-wine libxrender1 libxrandr2 libxcursor1 libxi6 libxinerama1 libxcomposite1 libxfixes3)
