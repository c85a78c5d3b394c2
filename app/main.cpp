// Mini Pelikora: a small skinned desktop news widget. Start reading here; the program entry
// hands over to the application object, which owns start-up, the message loop and shutdown.
#include <cstdio>

int main() {
    std::puts("minipelikora: the widget window is not built yet; the libraries and tests are.");
    return 0;
}
