// Linked with one room's whole library and the rooms it names: a call into any other room is
// an undefined symbol, and the build stops there.
int main() { return 0; }
