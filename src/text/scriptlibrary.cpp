#include "text/scriptlibrary.h"

#include <string>

namespace pelmora::text {
namespace {

// Written as raw pieces for reading; joined they form one line of plain ASCII (escapes such
// as \r\n inside the script are backslash sequences, never line breaks).
constexpr char kFunctions[] =
    // get__count: the length of an array, 0 for anything else.
    R"JS(function get__count(v){return Object.prototype.toString.call(v)=='[object Array]'?v.length:0;})JS"

    // get__name_All: the names of an object's enumerable members (own and inherited) that do
    // not hold functions, joined by CR LF; empty for anything that is not a plain object.
    R"JS(function get__name_All(v){if(Object.prototype.toString.call(v)!='[object Object]'){return '';})JS"
    R"JS(var names=[];for(var k in v){if(typeof v[k]!='function'){names.push(k);}}return names.join('\r\n');})JS"

    // get__extend: merges s into t and returns t. An array target takes s's items (as many as
    // s had when the merge began). Any other target takes s's members: a string, boolean,
    // number or missing member is overwritten, an object member is merged into, a function
    // member is left alone. A null or undefined target is replaced by s.
    R"JS(function get__extend(t,s){if(Object.prototype.toString.call(t)=='[object Array]'){)JS"
    R"JS(var n=(s===null||s===undefined)?0:s.length;for(var i=0;i<n;i++){t.push(s[i]);}return t;})JS"
    R"JS(if(t===null||t===undefined){return s;})JS"
    R"JS(for(var k in s){var kind=typeof t[k];)JS"
    R"JS(if(kind=='string'||kind=='boolean'||kind=='number'||kind=='undefined'){t[k]=s[k];})JS"
    R"JS(else if(kind=='object'){t[k]=get__extend(t[k],s[k]);}}return t;})JS";

// JSON for engines that lack it. Each part is installed only where the engine has none of its
// own, so an engine with JSON keeps its own stringify and parse.
constexpr char kJsonFallback[] =
    R"JS(if(typeof JSON!='object'||JSON===null){JSON={};})JS"

    // Dates write themselves as UTC YYYY-MM-DDTHH:MM:SSZ (null when invalid); wrapped strings,
    // numbers and booleans as their primitive value.
    R"JS(if(typeof Date.prototype.toJSON!='function'){(function(){)JS"
    R"JS(function two(n){return n<10?'0'+n:String(n);})JS"
    R"JS(Date.prototype.toJSON=function(){if(!isFinite(this.valueOf())){return null;})JS"
    R"JS(return this.getUTCFullYear()+'-'+two(this.getUTCMonth()+1)+'-'+two(this.getUTCDate())+'T'+)JS"
    R"JS(two(this.getUTCHours())+':'+two(this.getUTCMinutes())+':'+two(this.getUTCSeconds())+'Z';};)JS"
    R"JS(var primitive=function(){return this.valueOf();};)JS"
    R"JS(String.prototype.toJSON=primitive;Number.prototype.toJSON=primitive;Boolean.prototype.toJSON=primitive;})();})JS"

    // stringify with the semantics of ECMAScript 5 (toJSON, replacer function or list of names,
    // spacing, own enumerable members in order, TypeError on a cycle). Besides quote, backslash
    // and control characters, strings also escape U+007F-U+009F, U+00AD, U+0600-U+0604,
    // U+070F, U+17B4, U+17B5, U+200C-U+200F, U+2028-U+202F, U+2060-U+206F, U+FEFF and
    // U+FFF0-U+FFFF as \uXXXX; U+2400 stays as it is.
    R"JS(if(typeof JSON.stringify!='function'){(function(){)JS"
    R"JS(var toTag=Object.prototype.toString;)JS"
    R"JS(var special=/[\\"\u0000-\u001f\u007f-\u009f\u00ad\u0600-\u0604\u070f\u17b4\u17b5\u200c-\u200f\u2028-\u202f\u2060-\u206f\ufeff\ufff0-\uffff]/g;)JS"
    R"JS(var named={'"':'\\"','\\':'\\\\','\b':'\\b','\f':'\\f','\n':'\\n','\r':'\\r','\t':'\\t'};)JS"
    R"JS(function escapeOne(c){if(named.hasOwnProperty(c)){return named[c];})JS"
    R"JS(var hex=c.charCodeAt(0).toString(16);return '\\u'+'0000'.substring(hex.length)+hex;})JS"
    R"JS(function quoted(s){return '"'+s.replace(special,escapeOne)+'"';})JS"
    R"JS(function ownNames(o){if(typeof Object.keys=='function'){return Object.keys(o);})JS"
    R"JS(var r=[];for(var k in o){if(Object.prototype.hasOwnProperty.call(o,k)){r.push(k);}}return r;})JS"
    R"JS(function joined(parts,open,close,w){if(parts.length==0){return open+close;})JS"
    R"JS(if(w.gap==''){return open+parts.join(',')+close;})JS"
    R"JS(var inner='\n'+w.indent;return open+inner+parts.join(','+inner)+'\n'+w.indent.substring(w.gap.length)+close;})JS"
    R"JS(function one(holder,key,w){var v=holder[key];)JS"
    R"JS(if(v!==null&&(typeof v=='object'||typeof v=='function')&&typeof v.toJSON=='function'){v=v.toJSON(key);})JS"
    R"JS(if(w.replacer){v=w.replacer.call(holder,key,v);})JS"
    R"JS(if(v!==null&&typeof v=='object'){var tag=toTag.call(v);)JS"
    R"JS(if(tag=='[object Number]'){v=Number(v);}else if(tag=='[object String]'){v=String(v);})JS"
    R"JS(else if(tag=='[object Boolean]'){v=Boolean.prototype.valueOf.call(v);}})JS"
    R"JS(if(v===null){return 'null';})JS"
    R"JS(switch(typeof v){case 'boolean':return v?'true':'false';case 'number':return isFinite(v)?String(v):'null';)JS"
    R"JS(case 'string':return quoted(v);case 'object':break;default:return undefined;})JS"
    R"JS(for(var i=0;i<w.open.length;i++){if(w.open[i]===v){throw new TypeError('JSON.stringify: cyclic structure');}})JS"
    R"JS(w.open.push(v);var before=w.indent;w.indent+=w.gap;var parts=[],item,text;)JS"
    R"JS(if(toTag.call(v)=='[object Array]'){for(i=0;i<v.length;i++){item=one(v,String(i),w);parts.push(item===undefined?'null':item);})JS"
    R"JS(text=joined(parts,'[',']',w);}else{var names=w.names||ownNames(v);)JS"
    R"JS(for(i=0;i<names.length;i++){item=one(v,names[i],w);if(item!==undefined){parts.push(quoted(names[i])+(w.gap==''?':':': ')+item);}})JS"
    R"JS(text=joined(parts,'{','}',w);}w.indent=before;w.open.pop();return text;})JS"
    R"JS(JSON.stringify=function(value,replacer,space){var w={replacer:null,names:null,gap:'',indent:'',open:[]},i;)JS"
    R"JS(if(typeof replacer=='function'){w.replacer=replacer;}else if(toTag.call(replacer)=='[object Array]'){w.names=[];)JS"
    R"JS(for(i=0;i<replacer.length;i++){var e=replacer[i],et=toTag.call(e);)JS"
    R"JS(if(et=='[object String]'||et=='[object Number]'){e=String(e);var seen=false;)JS"
    R"JS(for(var j=0;j<w.names.length;j++){if(w.names[j]===e){seen=true;}}if(!seen){w.names.push(e);}}}})JS"
    R"JS(var st=toTag.call(space);if(st=='[object Number]'){var n=Number(space);n=n>=1?Math.min(10,Math.floor(n)):0;)JS"
    R"JS(while(w.gap.length<n){w.gap+=' ';}}else if(st=='[object String]'){w.gap=String(space).substring(0,10);})JS"
    R"JS(return one({'':value},'',w);};})();})JS"

    // parse: a recursive reader of the ECMAScript 5 JSON grammar that throws SyntaxError on
    // anything outside it (no script is ever evaluated), then the optional reviver.
    R"JS(if(typeof JSON.parse!='function'){(function(){)JS"
    R"JS(var define=typeof Object.defineProperty=='function'?Object.defineProperty:null;)JS"
    R"JS(function put(o,k,v){if(define){define(o,k,{value:v,writable:true,enumerable:true,configurable:true});}else{o[k]=v;}})JS"
    R"JS(var unescaped={'"':'"','\\':'\\','/':'/','b':'\b','f':'\f','n':'\n','r':'\r','t':'\t'};)JS"
    R"JS(JSON.parse=function(text,reviver){var s=String(text),at=0,len=s.length;)JS"
    R"JS(function fail(){throw new SyntaxError('JSON.parse: unexpected text at '+at);})JS"
    R"JS(function blanks(){for(;;){var c=s.charAt(at);if(c==' '||c=='\t'||c=='\n'||c=='\r'){at++;}else{return;}}})JS"
    R"JS(function digits(){var from=at;while(at<len){var c=s.charCodeAt(at);if(c<48||c>57){break;}at++;}return at-from;})JS"
    R"JS(function number(){var from=at;if(s.charAt(at)=='-'){at++;}if(s.charAt(at)=='0'){at++;}else if(digits()==0){fail();})JS"
    R"JS(if(s.charAt(at)=='.'){at++;if(digits()==0){fail();}})JS"
    R"JS(var c=s.charAt(at);if(c=='e'||c=='E'){at++;c=s.charAt(at);if(c=='+'||c=='-'){at++;}if(digits()==0){fail();}})JS"
    R"JS(return Number(s.substring(from,at));})JS"
    R"JS(function string(){var out='',from=++at;for(;;){if(at>=len){fail();}var c=s.charCodeAt(at);)JS"
    R"JS(if(c==34){out+=s.substring(from,at);at++;return out;}if(c<32){fail();})JS"
    R"JS(if(c==92){out+=s.substring(from,at);var e=s.charAt(at+1);at+=2;)JS"
    R"JS(if(e=='u'){var h=s.substring(at,at+4);if(!/^[0-9a-fA-F]{4}$/.test(h)){fail();}out+=String.fromCharCode(parseInt(h,16));at+=4;})JS"
    R"JS(else if(e!=''&&unescaped.hasOwnProperty(e)){out+=unescaped[e];}else{fail();}from=at;}else{at++;}}})JS"
    R"JS(function word(w,v){if(s.substring(at,at+w.length)!==w){fail();}at+=w.length;return v;})JS"
    R"JS(function value(){blanks();var c=s.charAt(at);)JS"
    R"JS(if(c=='{'){var o={};at++;blanks();if(s.charAt(at)=='}'){at++;return o;})JS"
    R"JS(for(;;){blanks();if(s.charAt(at)!='"'){fail();}var k=string();blanks();if(s.charAt(at)!=':'){fail();}at++;)JS"
    R"JS(put(o,k,value());blanks();c=s.charAt(at++);if(c=='}'){return o;}if(c!=','){fail();}}})JS"
    R"JS(if(c=='['){var a=[];at++;blanks();if(s.charAt(at)==']'){at++;return a;})JS"
    R"JS(for(;;){put(a,String(a.length),value());blanks();c=s.charAt(at++);if(c==']'){return a;}if(c!=','){fail();}}})JS"
    R"JS(if(c=='"'){return string();}if(c=='t'){return word('true',true);}if(c=='f'){return word('false',false);})JS"
    R"JS(if(c=='n'){return word('null',null);}if(c=='-'||(c>='0'&&c<='9')){return number();}fail();})JS"
    R"JS(function walk(holder,key){var v=holder[key],names,i,r;if(v!==null&&typeof v=='object'){)JS"
    R"JS(if(Object.prototype.toString.call(v)=='[object Array]'){names=[];for(i=0;i<v.length;i++){names.push(String(i));}})JS"
    R"JS(else{names=[];for(var k in v){if(Object.prototype.hasOwnProperty.call(v,k)){names.push(k);}}})JS"
    R"JS(for(i=0;i<names.length;i++){r=walk(v,names[i]);if(r===undefined){delete v[names[i]];}else{put(v,names[i],r);}}})JS"
    R"JS(return reviver.call(holder,key,v);})JS"
    R"JS(var result=value();blanks();if(at<len){fail();})JS"
    R"JS(return typeof reviver=='function'?walk({'':result},''):result;};})();})JS";

// Every object answers toJSONString and parseJSON (plain assignments: both are enumerable).
constexpr char kPrototypeMembers[] =
    R"JS(if(typeof Object.prototype.toJSONString!='function'){)JS"
    R"JS(Object.prototype.toJSONString=function(filter){return JSON.stringify(this,filter);};)JS"
    R"JS(Object.prototype.parseJSON=function(filter){return JSON.parse(this,filter);};})JS";

// The fallback goes into the library as a string that is evaluated (at global scope) only in
// an engine that lacks part of JSON. Engines that have JSON, all of them in practice, never
// compile it, which keeps the start of every engine cheap.
std::string BuildLibrary() {
  std::string library = kFunctions;
  library +=
      "if(typeof JSON!='object'||JSON===null||typeof JSON.stringify!='function'||"
      "typeof JSON.parse!='function'||typeof Date.prototype.toJSON!='function'){(0,eval)('";
  for (const char c : std::string_view(kJsonFallback)) {
    if (c == '\\' || c == '\'') library += '\\';
    library += c;
  }
  library += "');}";
  library += kPrototypeMembers;
  return library;
}

}  // namespace

std::string_view ScriptLibrary() {
  static const std::string library = BuildLibrary();
  return library;
}

}  // namespace pelmora::text
