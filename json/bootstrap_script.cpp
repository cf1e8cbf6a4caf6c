#include "json/bootstrap_script.hpp"

#include <string>
#include <string_view>

namespace kessaro {
namespace {

// The helpers the document operations call. Every for-in loop here also meets the two enumerable
// functions the polyfill puts on Object.prototype; each helper steps over them by its type test.
// get__extend gives a member that holds a number the source's value, as it does for a string or
// a boolean, so that merging {"n":2} into {"n":1} sets 2 rather than failing half way.
// Written one statement per line, every statement closed by ";" or a brace, and without
// comments, so that joining the lines gives the same program on one line.
constexpr std::string_view kHelpers = R"js(
function get__nodeValue(str_json, recursion) {
    for (var i in str_json) {
        var a = Object.prototype.toString.call(str_json[i]);
        if (a === '[object Object]' || a === '[object Array]') {
            if (recursion) {
                get__nodeValue(str_json[i], recursion);
            }
        } else if (a === '[object String]' || a === '[object Number]' || a === '[object Boolean]') {
            str_all.push(str_json[i]);
        }
    }
    return str_all;
}
function get__count(c) {
    if (Object.prototype.toString.call(c) === '[object Array]') {
        return c.length;
    }
    return 0;
}
function get__name_All(a) {
    var names = [];
    if (Object.prototype.toString.call(a) !== '[object Object]') {
        return '';
    }
    for (var key in a) {
        if (typeof a[key] !== 'function') {
            names.push(key);
        }
    }
    return names.join('\r\n');
}
function get__extend(target, source) {
    if (Object.prototype.toString.call(target) === '[object Array]') {
        for (var i = 0; i < source.length; i++) {
            target.push(source[i]);
        }
        return target;
    }
    for (var obj in source) {
        var t = typeof target[obj];
        if (t === 'string' || t === 'boolean' || t === 'number' || t === 'undefined') {
            target[obj] = source[obj];
        } else if (t === 'object') {
            target[obj] = get__extend(target[obj], source[obj]);
        }
    }
    return target;
}
)js";

// A JSON object for engines that lack one; each piece is added only when missing, so an engine
// with its own JSON keeps it and gains only toJSONString and parseJSON.
constexpr std::string_view kJsonPolyfill = R"js(
if (typeof JSON !== 'object') {
    JSON = {};
}
(function () {
    var cx = /[\u0000\u00ad\u0600-\u0604\u070f\u17b4\u17b5\u200c-\u200f\u2028-\u202f\u2060-\u206f\ufeff\ufff0-\uffff]/g;
    var escapable = /[\\"\u0000-\u001f\u007f-\u009f\u00ad\u0600-\u0604\u070f\u17b4\u17b5\u200c-\u200f\u2028-\u202f\u2060-\u206f\ufeff\ufff0-\uffff]/g;
    var meta = { '\b': '\\b', '\t': '\\t', '\n': '\\n', '\f': '\\f', '\r': '\\r', '"': '\\"', '\\': '\\\\' };
    var gap = '';
    var indent = '';
    var rep;
    function two_digits(n) {
        return n < 10 ? '0' + n : String(n);
    }
    function unicode_escape(c) {
        return '\\u' + ('0000' + c.charCodeAt(0).toString(16)).slice(-4);
    }
    function quote(s) {
        escapable.lastIndex = 0;
        return '"' + s.replace(escapable, function (c) {
            return typeof meta[c] === 'string' ? meta[c] : unicode_escape(c);
        }) + '"';
    }
    function wrap(open, close, parts, outer) {
        if (parts.length === 0) {
            return open + close;
        }
        if (gap) {
            return open + '\n' + gap + parts.join(',\n' + gap) + '\n' + outer + close;
        }
        return open + parts.join(',') + close;
    }
    function member(key, holder, parts) {
        var text = serialise(key, holder);
        if (text !== undefined) {
            parts.push(quote(key) + (gap ? ': ' : ':') + text);
        }
    }
    function serialise(key, holder) {
        var value = holder[key];
        var outer = gap;
        var parts = [];
        var result, i, k;
        if (value !== null && value !== undefined && typeof value.toJSON === 'function') {
            value = value.toJSON(key);
        }
        if (typeof rep === 'function') {
            value = rep.call(holder, key, value);
        }
        switch (typeof value) {
        case 'string':
            return quote(value);
        case 'number':
            return isFinite(value) ? String(value) : 'null';
        case 'boolean':
            return String(value);
        case 'object':
            if (value === null) {
                return 'null';
            }
            gap += indent;
            if (Object.prototype.toString.call(value) === '[object Array]') {
                for (i = 0; i < value.length; i++) {
                    result = serialise(String(i), value);
                    parts.push(result === undefined ? 'null' : result);
                }
                result = wrap('[', ']', parts, outer);
            } else {
                if (typeof rep === 'object' && rep !== null) {
                    for (i = 0; i < rep.length; i++) {
                        if (typeof rep[i] === 'string' || typeof rep[i] === 'number') {
                            member(String(rep[i]), value, parts);
                        }
                    }
                } else {
                    for (k in value) {
                        if (Object.prototype.hasOwnProperty.call(value, k)) {
                            member(k, value, parts);
                        }
                    }
                }
                result = wrap('{', '}', parts, outer);
            }
            gap = outer;
            return result;
        }
        return undefined;
    }
    if (typeof Date.prototype.toJSON !== 'function') {
        Date.prototype.toJSON = function () {
            if (!isFinite(this.valueOf())) {
                return null;
            }
            return this.getUTCFullYear() + '-' + two_digits(this.getUTCMonth() + 1) + '-' +
                two_digits(this.getUTCDate()) + 'T' + two_digits(this.getUTCHours()) + ':' +
                two_digits(this.getUTCMinutes()) + ':' + two_digits(this.getUTCSeconds()) + 'Z';
        };
        String.prototype.toJSON = Number.prototype.toJSON = Boolean.prototype.toJSON = function () {
            return this.valueOf();
        };
    }
    if (typeof JSON.stringify !== 'function') {
        JSON.stringify = function (value, replacer, space) {
            var i;
            gap = '';
            indent = '';
            if (typeof space === 'number') {
                for (i = 0; i < space && i < 10; i++) {
                    indent += ' ';
                }
            } else if (typeof space === 'string') {
                indent = space.slice(0, 10);
            }
            if (replacer !== undefined && replacer !== null && typeof replacer !== 'function' &&
                Object.prototype.toString.call(replacer) !== '[object Array]') {
                throw new Error('JSON.stringify');
            }
            rep = replacer;
            return serialise('', { '': value });
        };
    }
    if (typeof JSON.parse !== 'function') {
        JSON.parse = function (text, reviver) {
            var value, shape;
            function revive(holder, key) {
                var item = holder[key];
                var k, revived;
                if (item !== null && typeof item === 'object') {
                    for (k in item) {
                        if (Object.prototype.hasOwnProperty.call(item, k)) {
                            revived = revive(item, k);
                            if (revived === undefined) {
                                delete item[k];
                            } else {
                                item[k] = revived;
                            }
                        }
                    }
                }
                return reviver.call(holder, key, item);
            }
            text = String(text);
            cx.lastIndex = 0;
            text = text.replace(cx, unicode_escape);
            shape = text.replace(/\\(?:["\\\/bfnrt]|u[0-9a-fA-F]{4})/g, '_');
            shape = shape.replace(/"[^"\\\u0000-\u001f]*"|-?(?:0|[1-9][0-9]*)(?:\.[0-9]+)?(?:[eE][+\-]?[0-9]+)?|\btrue\b|\bfalse\b|\bnull\b/g, '0');
            if (!/^[\s\[\]{},:0]*$/.test(shape)) {
                throw new SyntaxError('JSON.parse');
            }
            value = eval('(' + text + ')');
            return typeof reviver === 'function' ? revive({ '': value }, '') : value;
        };
    }
}());
if (typeof Object.prototype.toJSONString !== 'function') {
    Object.prototype.toJSONString = function (filter) {
        return JSON.stringify(this, filter);
    };
    Object.prototype.parseJSON = function (filter) {
        return JSON.parse(this, filter);
    };
}
)js";

// Joins the lines with one space and drops the indentation.
std::string one_line(std::string_view source) {
    std::string out;
    std::size_t start = 0;
    while (start < source.size()) {
        std::size_t end = source.find('\n', start);
        if (end == std::string_view::npos)
            end = source.size();
        std::string_view line = source.substr(start, end - start);
        const std::size_t first = line.find_first_not_of(' ');
        if (first != std::string_view::npos) {
            if (!out.empty())
                out += ' ';
            out += line.substr(first);
        }
        start = end + 1;
    }
    return out;
}

}  // namespace

const Text& bootstrap_script() {
    static const Text script(one_line(kHelpers) + ' ' + one_line(kJsonPolyfill));
    return script;
}

}  // namespace kessaro
