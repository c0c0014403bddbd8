// Placeholder until the application shell lands.
#include <cstdio>

int main()
{
    std::puts("Vesperline: the main window is not built yet; only the port layer exists.");
    return 0;
}
