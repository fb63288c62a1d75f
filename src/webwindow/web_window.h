#pragma once
// CWebWindow: the web window, the page's external object and the update flow's owner.
#include <string>

class CWebWindow {
 public:
  // Starts a program from its command line without waiting for it, then posts the quit
  // message. 0 when the program was started, 1 when it could not be.
  static int Exec(std::u16string commandLine);
};
