// The program behind the Windows stand-in game: it only waits, long enough for any test, and
// then ends by itself with a code that terminating it from outside never gives.
#include <chrono>
#include <thread>

int main() {
  std::this_thread::sleep_for(std::chrono::seconds(120));
  return 3;
}
