// Never run: only its resources are read, as data.
int main() { return 0; }
