# Sourced by every script that builds, after install-deps.sh, so that they all
# configure build/ with the same compiler command: a folder the main job built
# is then only completed by the test command, not compiled again because the
# command line changed.
#
# A compiler cache, where the machine has one, makes a second build of the
# same sources (another clone, the sanitizer builds) cheap; paths are taken
# relative to the checkout so clones in other folders share it.
if command -v ccache >/dev/null 2>&1; then
    export CMAKE_CXX_COMPILER_LAUNCHER=ccache CMAKE_C_COMPILER_LAUNCHER=ccache
    export CCACHE_BASEDIR="$(pwd)"
fi
