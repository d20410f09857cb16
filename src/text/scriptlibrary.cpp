#include "text/scriptlibrary.h"

namespace pelmora::text {
namespace {

// Written as several raw pieces for reading; joined they form one line.
constexpr char kLibrary[] =
    // The kind of a value, by its Object.prototype.toString tag.
    R"JS(function get__count(v){return Object.prototype.toString.call(v)=='[object Array]'?v.length:0;})JS"
    R"JS(function get__name_All(v){if(Object.prototype.toString.call(v)!='[object Object]'){return '';}var names=[];for(var k in v){if(typeof v[k]!='function'){names.push(k);}}return names.join('\r\n');})JS"
    // Merge: arrays take the source's items; objects take members (strings, booleans, numbers
    // and missing ones overwritten, objects merged), functions are passed over. A null or
    // undefined member of the target is replaced by the source's.
    R"JS(function get__extend(t,s){if(t===null||t===undefined){return s;}if(Object.prototype.toString.call(t)=='[object Array]'){var n=(s===null||s===undefined)?0:s.length;for(var i=0;i<n;i++){t.push(s[i]);}return t;}for(var k in s){var kind=typeof t[k];if(kind=='string'||kind=='boolean'||kind=='undefined'||kind=='number'){t[k]=s[k];}else if(kind=='object'){t[k]=get__extend(t[k],s[k]);}}return t;})JS"
    // JSON for engines without it: an ES5 stringify (with a few more characters escaped) and a
    // recursive-descent parse that throws SyntaxError on anything outside the grammar.
    R"JS((function(){if(typeof JSON!='object'||JSON===null){JSON={};})JS"
    R"JS(function two(n){return (n<10?'0':'')+n;})JS"
    R"JS(if(typeof Date.prototype.toJSON!='function'){Date.prototype.toJSON=function(){if(!isFinite(this.valueOf())){return null;}return this.getUTCFullYear()+'-'+two(this.getUTCMonth()+1)+'-'+two(this.getUTCDate())+'T'+two(this.getUTCHours())+':'+two(this.getUTCMinutes())+':'+two(this.getUTCSeconds())+'Z';};var prim=function(){return this.valueOf();};String.prototype.toJSON=prim;Number.prototype.toJSON=prim;Boolean.prototype.toJSON=prim;})JS"
    R"JS(var special=/[\\"\x00-\x1f\x7f-\x9f\u00ad\u0600-\u0604\u070f\u17b4\u17b5\u200c-\u200f\u2028-\u202f\u2060-\u206f\ufeff\ufff0-\uffff]/g;)JS"
    R"JS(var escapes={'\b':'\\b','\t':'\\t','\n':'\\n','\f':'\\f','\r':'\\r','"':'\\"','\\':'\\\\'};)JS"
    R"JS(function quote(s){return '"'+s.replace(special,function(c){if(escapes.hasOwnProperty(c)){return escapes[c];}var h=c.charCodeAt(0).toString(16);while(h.length<4){h='0'+h;}return '\\u'+h;})+'"';})JS"
    R"JS(function write(holder,key,replacer,gap,indent){var v=holder[key];if(v&&typeof v=='object'&&typeof v.toJSON=='function'){v=v.toJSON(key);}if(typeof replacer=='function'){v=replacer.call(holder,key,v);})JS"
    R"JS(switch(typeof v){case 'string':return quote(v);case 'number':return isFinite(v)?String(v):'null';case 'boolean':return String(v);case 'object':break;default:return undefined;}if(v===null){return 'null';})JS"
    R"JS(var inner=indent+gap,parts=[],i,item,open=gap?'\n'+inner:'',close=gap?'\n'+indent:'',sep=gap?',\n'+inner:',';)JS"
    R"JS(if(Object.prototype.toString.call(v)=='[object Array]'){for(i=0;i<v.length;i++){item=write(v,String(i),replacer,gap,inner);parts.push(item===undefined?'null':item);}return parts.length?'['+open+parts.join(sep)+close+']':'[]';})JS"
    R"JS(var keys=[];if(replacer&&typeof replacer=='object'){for(i=0;i<replacer.length;i++){if(typeof replacer[i]=='string'){keys.push(replacer[i]);}}}else{for(var k in v){if(Object.prototype.hasOwnProperty.call(v,k)){keys.push(k);}}})JS"
    R"JS(for(i=0;i<keys.length;i++){item=write(v,keys[i],replacer,gap,inner);if(item!==undefined){parts.push(quote(keys[i])+(gap?': ':':')+item);}}return parts.length?'{'+open+parts.join(sep)+close+'}':'{}';})JS"
    R"JS(if(typeof JSON.stringify!='function'){JSON.stringify=function(value,replacer,space){var gap='';if(typeof space=='number'){for(var i=0;i<Math.min(space,10);i++){gap+=' ';}}else if(typeof space=='string'){gap=space.substring(0,10);}return write({'':value},'',replacer,gap,'');};})JS"
    R"JS(if(typeof JSON.parse!='function'){JSON.parse=function(text,reviver){var s=String(text),at=0;function fail(){throw new SyntaxError('JSON.parse');})JS"
    R"JS(function ws(){while(at<s.length&&' \t\n\r'.indexOf(s.charAt(at))>=0){at++;}})JS"
    R"JS(function str(){var out='';at++;while(at<s.length){var c=s.charAt(at++);if(c=='"'){return out;}if(c=='\\'){c=s.charAt(at++);if(c=='u'){var h=s.substring(at,at+4);if(!/^[0-9a-fA-F]{4}$/.test(h)){fail();}out+=String.fromCharCode(parseInt(h,16));at+=4;}else if('"\\/'.indexOf(c)>=0&&c!==''){out+=c;}else if(c=='b'){out+='\b';}else if(c=='f'){out+='\f';}else if(c=='n'){out+='\n';}else if(c=='r'){out+='\r';}else if(c=='t'){out+='\t';}else{fail();}}else if(c<' '){fail();}else{out+=c;}}fail();})JS"
    R"JS(function val(){ws();var c=s.charAt(at),m;if(c=='{'){at++;var o={};ws();if(s.charAt(at)=='}'){at++;return o;}for(;;){ws();if(s.charAt(at)!='"'){fail();}var k=str();ws();if(s.charAt(at)!=':'){fail();}at++;o[k]=val();ws();c=s.charAt(at++);if(c=='}'){return o;}if(c!=','){fail();}}})JS"
    R"JS(if(c=='['){at++;var a=[];ws();if(s.charAt(at)==']'){at++;return a;}for(;;){a.push(val());ws();c=s.charAt(at++);if(c==']'){return a;}if(c!=','){fail();}}})JS"
    R"JS(if(c=='"'){return str();}m=/^-?(0|[1-9][0-9]*)(\.[0-9]+)?([eE][+-]?[0-9]+)?/.exec(s.substring(at));if(m&&m[0].length){at+=m[0].length;return Number(m[0]);})JS"
    R"JS(var words={'true':true,'false':false,'null':null};for(var w in words){if(words.hasOwnProperty(w)&&s.substring(at,at+w.length)==w){at+=w.length;return words[w];}}fail();})JS"
    R"JS(var result=val();ws();if(at<s.length){fail();})JS"
    R"JS(function revive(holder,key){var v=holder[key];if(v&&typeof v=='object'){for(var k in v){if(Object.prototype.hasOwnProperty.call(v,k)){var r=revive(v,k);if(r===undefined){delete v[k];}else{v[k]=r;}}}}return reviver.call(holder,key,v);})JS"
    R"JS(return typeof reviver=='function'?revive({'':result},''):result;};}})();)JS"
    // Every object answers toJSONString and parseJSON (plain, enumerable members).
    R"JS(if(typeof Object.prototype.toJSONString!='function'){Object.prototype.toJSONString=function(filter){return JSON.stringify(this,filter);};Object.prototype.parseJSON=function(filter){return JSON.parse(this,filter);};})JS";

}  // namespace

std::string_view ScriptLibrary() { return {kLibrary, sizeof kLibrary - 1}; }

}  // namespace pelmora::text
