// The demo portal page in the script dialect of the IE browser control that shows it in the
// Windows launcher: every inline script parses as ES5 (acorn, ecmaVersion 5), uses none of the
// later globals or methods the control lacks, binds events with an attachEvent fallback, and
// the page asks for the newest document mode before anything else in its head.
//
//   NODE_PATH=build/npm/node_modules node portal_page_es5_test.js tools/portal/page.html
"use strict";
const fs = require("fs");

let acorn;
try {
  acorn = require("acorn");
} catch (error) {
  console.error("acorn is missing: ./scripts/test installs it (npm install --prefix build/npm acorn)");
  process.exit(1);
}

// Globals and methods that arrived after ES5, or that the control's engine never had.
const LATER_GLOBALS = new Set(["Promise", "fetch", "Map", "Set", "WeakMap", "WeakSet", "Symbol",
  "Proxy", "Reflect", "URLSearchParams", "TextEncoder", "TextDecoder", "queueMicrotask"]);
const LATER_METHODS = new Set(["includes", "startsWith", "endsWith", "padStart", "padEnd",
  "repeat", "find", "findIndex", "assign", "entries", "values", "closest", "append", "prepend"]);

function walk(node, visit) {
  if (!node || typeof node.type !== "string") return;
  visit(node);
  for (const key of Object.keys(node)) {
    const child = node[key];
    if (Array.isArray(child)) child.forEach((item) => walk(item, visit));
    else if (child && typeof child === "object") walk(child, visit);
  }
}

function faultsOf(html) {
  const faults = [];
  const scripts = [...html.matchAll(/<script\b[^>]*>([\s\S]*?)<\/script>/gi)].map((m) => m[1]);
  if (scripts.length === 0) faults.push("the page has no inline script");
  for (const source of scripts) {
    let tree;
    try {
      tree = acorn.parse(source, { ecmaVersion: 5, sourceType: "script", locations: true });
    } catch (error) {
      faults.push("not ES5: " + error.message);
      continue;
    }
    const members = new Set();
    walk(tree, (node) => {
      const where = " (line " + node.loc.start.line + " of the script)";
      if (node.type === "MemberExpression" && !node.computed) members.add(node.property.name);
      if (node.type === "Identifier" && LATER_GLOBALS.has(node.name))
        faults.push("uses " + node.name + where);
      if (node.type === "MemberExpression" && !node.computed &&
          LATER_METHODS.has(node.property.name))
        faults.push("uses ." + node.property.name + where);
    });
    if (members.has("addEventListener") && !members.has("attachEvent"))
      faults.push("addEventListener without an attachEvent fallback");
  }

  const head = (html.match(/<head\b[^>]*>([\s\S]*?)<\/head>/i) || [])[1] || "";
  const compatible = /<meta\s+http-equiv="X-UA-Compatible"\s+content="IE=edge"\s*\/?>/i.exec(head);
  if (!compatible) {
    faults.push('no <meta http-equiv="X-UA-Compatible" content="IE=edge"> in the head');
  } else {
    // IE takes the mode only from before any other element but <title> and <meta>.
    const before = head.slice(0, compatible.index).replace(/<!--[\s\S]*?-->/g, "");
    const other = before.match(/<(?!\/?(?:meta|title)\b)[a-z][^>]*>/i);
    if (other) faults.push("X-UA-Compatible comes after " + other[0]);
  }
  return faults;
}

const path = process.argv[2];
const faults = faultsOf(fs.readFileSync(path, "utf8"));
for (const fault of faults) console.log("FAIL: " + path + ": " + fault);
console.log(faults.length === 0 ? path + ": ES5 and IE=edge" : faults.length + " faults");
process.exit(faults.length === 0 ? 0 : 1);
