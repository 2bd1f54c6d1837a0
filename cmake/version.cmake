# The program's one version, read by the main build and by the Windows programs' own
# build: the number the package and --version carry, and the letter of the build that
# the version text adds to it ("Ver.1.30F", which the about box shows and JVInit gets
# in the software id). src/protocol/version.h is generated from these.
set(VELMORA_VERSION 1.30)
set(VELMORA_VERSION_LETTER F)
