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

// The web window is colour-keyed: page pixels of exactly red 0, green 255, blue 0 are
// see-through to the launcher window below, every other colour stays as it is. The page is
// drawn through this filter: it first lays the page over white paper (what a browser shows
// where a page sets no background, or a transparent one), then the colour matrix puts
// r + b + (1 - g) into alpha, which is 0 only for pure green and at least 1/255 for any other
// colour, the transfer function makes every non-zero distance fully opaque, and the result
// cuts the page by that mask. Colours are taken as they are (sRGB), not through linear light,
// so that nothing but pure green ever reaches zero. The filter's id, "launcher-colour-key",
// ties the style sheet to the script.

// Applied at user level with !important, so a page's own styles cannot take the key away. The
// root element's filter covers the canvas and every frame drawn in the page.
inline constexpr const char* colour_key_style_sheet =
    "html { filter: url(#launcher-colour-key) !important; }";

// Runs at document start in the top frame: puts the filter into the document (a filter must
// live in the document that uses it) and puts it back whenever the page removes it.
inline constexpr const char* colour_key_script = R"JS(
(function () {
  var ns = 'http://www.w3.org/2000/svg';
  var holder = document.createElementNS(ns, 'svg');
  holder.setAttribute('aria-hidden', 'true');
  holder.setAttribute('width', '0');
  holder.setAttribute('height', '0');
  holder.setAttribute('style',
      'position:absolute;width:0;height:0;overflow:hidden;pointer-events:none');
  holder.innerHTML =
      "<filter id='launcher-colour-key' color-interpolation-filters='sRGB'" +
      " x='0' y='0' width='1' height='1'>" +
      "<feFlood flood-color='white' result='paper'/>" +
      "<feComposite in='SourceGraphic' in2='paper' operator='over' result='page'/>" +
      "<feColorMatrix in='page' type='matrix' result='distance'" +
      " values='0 0 0 0 0  0 0 0 0 0  0 0 0 0 0  1 -1 1 0 1'/>" +
      "<feComponentTransfer in='distance' result='mask'>" +
      "<feFuncA type='linear' slope='1000' intercept='0'/></feComponentTransfer>" +
      "<feComposite in='page' in2='mask' operator='in'/></filter>";
  function attach() {
    var root = document.documentElement;
    if (root && holder.parentNode !== root) root.appendChild(holder);
  }
  attach();
  new MutationObserver(attach).observe(document, {childList: true, subtree: true});
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
