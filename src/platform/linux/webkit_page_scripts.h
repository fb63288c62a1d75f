#pragma once
// Script text the WebKit host puts into the page.
#include <string>

namespace platform::webkit {

// The name of the message channel that carries window.external calls back to the launcher.
inline constexpr const char* external_channel = "external";

// Runs at document start in every frame: window.external becomes an object on which any name
// is a function that hands its name and arguments to the launcher. Unknown names reach the
// launcher too and do nothing there, so the page never sees a script error for them.
inline constexpr const char* external_object_script = R"JS(
(function () {
  var channel = window.webkit && window.webkit.messageHandlers &&
                window.webkit.messageHandlers.external;
  if (!channel) return;
  var external = new Proxy({}, {
    get: function (target, name) {
      if (typeof name !== 'string' || name === 'then') return undefined;
      return function () {
        channel.postMessage({name: name, args: Array.prototype.slice.call(arguments)});
      };
    }
  });
  try {
    Object.defineProperty(window, 'external', {value: external, configurable: true});
  } catch (e) {
    window.external = external;
  }
})();
)JS";

// The body of the asynchronous function that calls a page function: fn names it, a0..aN are
// its arguments in the page's order. A missing function answers "missing"; a call that worked
// answers an array with its result when that is a string or a number. A page promise is never
// handed back: the caller cannot wait for it.
inline std::string call_body(const std::string& argument_list) {
  return "var f = window[fn];\n"
         "if (typeof f !== 'function') return 'missing';\n"
         "var r = f.call(window" + argument_list + ");\n"
         "if (typeof r === 'string' || typeof r === 'number') return ['value', r];\n"
         "return ['none'];\n";
}

}  // namespace platform::webkit
