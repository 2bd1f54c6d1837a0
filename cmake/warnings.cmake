# The warnings every program of ours is built with, natively and for Windows.
set(VELMORA_WARNINGS -Wall -Wextra -Wpedantic -Wold-style-cast -Wnon-virtual-dtor -Woverloaded-virtual)
