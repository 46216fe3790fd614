# SPDX-License-Identifier: GPL-3.0-or-later
# The Debian packages the project needs, sourced by the play and test scripts.
BUILD_PACKAGES=(g++ cmake ninja-build qt6-base-dev qt6-base-dev-tools qt6-svg-dev
    qt6-charts-dev libqt6opengl6-dev libqt6sql6-sqlite libpq-dev libgl-dev fonts-dejavu-core
    fonts-liberation2 qt6-qpa-plugins qt6-translations-l10n)
DISPLAY_PACKAGES=(xvfb xauth x11-utils xdotool imagemagick)
# postgresql: the school server's tests start a private one; deps.sh keeps the package from
# making and starting a system-wide one.
TEST_PACKAGES=(sqlite3 desktop-file-utils appstream lintian dpkg-dev file weston xwayland qt6-wayland
    postgresql libqt6sql6-psql poppler-utils at-spi2-core python3-pyatspi dbus)
# What tools/fresh-check.sh needs on the host that makes the bare roots.
FRESH_CHECK_PACKAGES=(mmdebstrap imagemagick git)
