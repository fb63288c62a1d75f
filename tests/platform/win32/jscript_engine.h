#pragma once
// The system's JScript engine with one named item, "external", as a page would see its
// window.external. Evaluates expressions and statements and keeps the script errors.
#include <windows.h>
#include <activscp.h>

#include <string>
#include <vector>

#include "platform/win32/browser/com_ptr.h"

namespace browser_testing {

struct script_error {
  HRESULT code = S_OK;
  std::wstring description;
};

class jscript_engine {
 public:
  // external is handed to the engine as it is; the engine may reference it until close().
  explicit jscript_engine(IDispatch* external);
  ~jscript_engine();
  jscript_engine(const jscript_engine&) = delete;
  jscript_engine& operator=(const jscript_engine&) = delete;

  // False with a message when the system has no JScript engine.
  bool ready() const { return ready_; }
  const std::string& problem() const { return problem_; }

  // Runs statements; the HRESULT of the parse-and-run call.
  HRESULT run(const std::wstring& code);
  // Evaluates an expression into result (cleared first).
  HRESULT evaluate(const std::wstring& expression, VARIANT& result);

  const std::vector<script_error>& errors() const { return errors_; }
  void clear_errors() { errors_.clear(); }

 private:
  platform::win32::com_ptr<IActiveScript> engine_;
  platform::win32::com_ptr<IActiveScriptParse> parser_;
  std::vector<script_error> errors_;
  bool ready_ = false;
  std::string problem_;
};

}  // namespace browser_testing
