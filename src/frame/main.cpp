// Replaced by the real start-up once the frame lands.
int main() { return 0; }
