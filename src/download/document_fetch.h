#pragma once
// A small document fetched whole into memory with the launcher's own client: the signed
// release's manifest and signature, read before any package is touched.
#include <cstddef>
#include <string>

struct FetchedDocument {
  bool fetched = false;
  std::string body;   // when fetched
  std::string error;  // why not, otherwise
};

// Refuses a body longer than limit, and any answer but 200.
FetchedDocument fetchDocument(const std::string& url, std::size_t limit);
