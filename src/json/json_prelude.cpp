#include "json/json_prelude.h"

namespace seo {
namespace {

// Counts what for-in visits, less the two helpers below, which are enumerable on every object.
constexpr const char kCount[] = "function get__count(c){var i=-2;for(v in c)i++;return i}";

constexpr const char kJsonObject[] = "if(typeof JSON!=='object'){JSON={}}";

// stringify and parse for engines without them, in ES3 so the oldest engines can run them.
// Strings are escaped with the short forms for \b \t \n \f \r " and \\ and \u escapes for
// control characters and the invisible and separator characters; parse accepts only text that
// passes the four-pattern check (escapes, then simple values, then opening brackets, then
// only structure left) and evaluates it.
constexpr const char kJsonImplementation[] =
    R"JS((function(){'use strict';)JS"
    R"JS(var hidden=/[\\"\u0000-\u001f\u007f-\u009f\u00ad\u0600-\u0604\u070f\u17b4\u17b5\u200c-\u200f\u2028-\u202f\u2060-\u206f\ufeff\ufff0-\uffff]/g,)JS"
    R"JS(unsafe=/[\u0000\u00ad\u0600-\u0604\u070f\u17b4\u17b5\u200c-\u200f\u2028-\u202f\u2060-\u206f\ufeff\ufff0-\uffff]/g,)JS"
    R"JS(short={'\b':'\\b','\t':'\\t','\n':'\\n','\f':'\\f','\r':'\\r','"':'\\"','\\':'\\\\'},)JS"
    R"JS(toStr=Object.prototype.toString,own=Object.prototype.hasOwnProperty;)JS"
    R"JS(function two(n){return n<10?'0'+n:''+n})JS"
    R"JS(function hex4(c){var h=c.charCodeAt(0).toString(16);while(h.length<4){h='0'+h}return '\\u'+h})JS"
    R"JS(function quote(s){return '"'+s.replace(hidden,function(c){var m=short[c];return typeof m==='string'?m:hex4(c)})+'"'})JS"
    R"JS(if(typeof Date.prototype.toJSON!=='function'){)JS"
    R"JS(Date.prototype.toJSON=function(){var t=this;return isFinite(t.valueOf())?t.getUTCFullYear()+'-'+two(t.getUTCMonth()+1)+'-'+two(t.getUTCDate())+'T'+two(t.getUTCHours())+':'+two(t.getUTCMinutes())+':'+two(t.getUTCSeconds())+'Z':null};)JS"
    R"JS(String.prototype.toJSON=Number.prototype.toJSON=Boolean.prototype.toJSON=function(){return this.valueOf()}})JS"
    R"JS(if(typeof JSON.stringify!=='function'){JSON.stringify=function(value,replacer,space){)JS"
    R"JS(var gap='',indent='',keys=null,seen=[],i;)JS"
    R"JS(if(typeof space==='number'){for(i=0;i<space&&i<10;i++){gap+=' '}}else if(typeof space==='string'){gap=space.slice(0,10)})JS"
    R"JS(if(replacer&&typeof replacer!=='function'){)JS"
    R"JS(if(typeof replacer!=='object'||typeof replacer.length!=='number'){throw new Error('JSON.stringify')})JS"
    R"JS(keys=[];for(i=0;i<replacer.length;i++){if(typeof replacer[i]==='string'||typeof replacer[i]==='number'){keys.push(String(replacer[i]))}}})JS"
    R"JS(function text(key,holder){var v=holder[key],outer=indent,parts=[],k,j,s,cls;)JS"
    R"JS(if(v&&typeof v==='object'&&typeof v.toJSON==='function'){v=v.toJSON(key)})JS"
    R"JS(if(typeof replacer==='function'){v=replacer.call(holder,key,v)})JS"
    R"JS(if(v&&typeof v==='object'){cls=toStr.call(v);if(cls==='[object Number]'||cls==='[object String]'||cls==='[object Boolean]'){v=v.valueOf()}})JS"
    R"JS(switch(typeof v){case 'string':return quote(v);case 'number':return isFinite(v)?String(v):'null';case 'boolean':return String(v);case 'object':break;default:return undefined})JS"
    R"JS(if(v===null){return 'null'})JS"
    R"JS(for(j=0;j<seen.length;j++){if(seen[j]===v){throw new TypeError('JSON.stringify')}})JS"
    R"JS(seen.push(v);indent+=gap;)JS"
    R"JS(if(toStr.call(v)==='[object Array]'){for(j=0;j<v.length;j++){s=text(j,v);parts.push(s===undefined?'null':s)})JS"
    R"JS(s=parts.length===0?'[]':gap?'[\n'+indent+parts.join(',\n'+indent)+'\n'+outer+']':'['+parts.join(',')+']'}else{)JS"
    R"JS(if(keys){for(j=0;j<keys.length;j++){k=keys[j];if(own.call(v,k)){s=text(k,v);if(s!==undefined){parts.push(quote(k)+(gap?': ':':')+s)}}}})JS"
    R"JS(else{for(k in v){if(own.call(v,k)){s=text(k,v);if(s!==undefined){parts.push(quote(k)+(gap?': ':':')+s)}}}})JS"
    R"JS(s=parts.length===0?'{}':gap?'{\n'+indent+parts.join(',\n'+indent)+'\n'+outer+'}':'{'+parts.join(',')+'}'})JS"
    R"JS(seen.pop();indent=outer;return s})JS"
    R"JS(return text('',{'':value})}})JS"
    R"JS(if(typeof JSON.parse!=='function'){JSON.parse=function(source,reviver){)JS"
    R"JS(var t=String(source).replace(unsafe,hex4),j;)JS"
    R"JS(function walk(holder,key){var v=holder[key],k,r;)JS"
    R"JS(if(v&&typeof v==='object'){for(k in v){if(own.call(v,k)){r=walk(v,k);if(r===undefined){delete v[k]}else{v[k]=r}}}})JS"
    R"JS(return reviver.call(holder,key,v)})JS"
    R"JS(if(/^[\],:{}\s]*$/.test(t.replace(/\\(?:["\\\/bfnrt]|u[0-9a-fA-F]{4})/g,'@'))JS"
    R"JS(.replace(/"[^"\\\n\r]*"|true|false|null|-?\d+(?:\.\d*)?(?:[eE][+\-]?\d+)?/g,']'))JS"
    R"JS(.replace(/(?:^|:|,)(?:\s*\[)+/g,''))){)JS"
    R"JS(j=eval('('+t+')');return typeof reviver==='function'?walk({'':j},''):j})JS"
    R"JS(throw new SyntaxError('JSON.parse')}})JS";

constexpr const char kHelpers[] =
    "if(!Object.prototype.toJSONString){Object.prototype.toJSONString=function(filter){return "
    "JSON.stringify(this,filter)};Object.prototype.parseJSON=function(filter){return "
    "JSON.parse(this,filter)}}";

constexpr const char kClose[] = "}());";

}  // namespace

const Text JsonPrelude = Text(kCount) + kJsonObject + kJsonImplementation + kHelpers + kClose;

}  // namespace seo
