// The body of the small programs whose only purpose is their version resource (or its absence).
int main() { return 0; }
