// velmora_link_floor: does nothing, linked with the libraries velmora is linked with (Qt Widgets, Qt D-Bus,
// Xlib, XRandR). bench/linux_bench.py x11 runs it beside velmora: the time and memory any program takes that
// loads those libraries, before it does any work.
int main() { return 0; }
