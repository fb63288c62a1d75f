#include "support/text_file.h"

std::string testing_support::system_line_end() { return "\r\n"; }
