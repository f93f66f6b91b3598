// Writes small WebHelp output folders from the installation folder data/webhelp, filling the
// frame pages' placeholders and generating the tree, the index list, data.js and
// languages.js the way the program's WebHelp writer does. The browser tests run on them.
//
//   node tests/webhelp/make_sample.mjs          rewrites tests/fixtures/webhelp-sample/
//
// The module also exports the writer, so tests can make other folders (a large one for
// the search benchmark, one without index) in a temporary folder.

import fs from 'node:fs';
import path from 'node:path';
import { fileURLToPath } from 'node:url';

const here = path.dirname(fileURLToPath(import.meta.url));
export const repo = path.resolve(here, '..', '..');
export const install = path.join(repo, 'data', 'webhelp');
export const fixtures = path.join(repo, 'tests', 'fixtures', 'webhelp-sample');

const CRLF = '\r\n';
const BOM = '\ufeff';

export function htmlEscape(s) {
  return String(s).replace(/&/g, '&amp;').replace(/</g, '&lt;').replace(/>/g, '&gt;')
    .replace(/"/g, '&quot;');
}

function jsSingle(s) {
  return String(s).replace(/\\/g, '\\\\').replace(/'/g, "\\'");
}

function replaceAll(text, what, by) {
  // Placeholders are matched without regard to case; the replacement is literal.
  const re = new RegExp(what.replace(/[.*+?^${}()|[\]\\]/g, '\\$&'), 'gi');
  return text.replace(re, () => by);
}

// ---- contents ----------------------------------------------------------------------------

// items: { level, title, url, icon, keywords, body, status (0 page, 2 none), outside }
function prepare(items) {
  items.forEach((it, i) => {
    it.status = it.status ?? (it.url ? 0 : 2);
    it.hasChild = i + 1 < items.length && items[i + 1].level > it.level;
    let last = true;
    for (let k = i + 1; k < items.length; k++) {
      if (items[k].level < it.level) break;
      if (items[k].level === it.level) { last = false; break; }
    }
    it.last = last;
    it.accessible = !it.outside && it.status === 0;
  });
  return items;
}

function iconArray(icon, isFolder, realColor) {
  const g = (n) => n + '.gif';
  if (realColor) return isFolder ? ['1.gif', '2.gif'] : ['11.gif', '11.gif'];
  if (isFolder) {
    if (icon >= 1 && icon <= 8) return icon % 2 ? [g(icon), g(icon + 1)] : [g(icon - 1), g(icon)];
    if (icon > 8) return [g(icon), g(icon)];
    if (icon === 0) return ['1.gif', '2.gif'];
    return ['5.gif', '6.gif'];
  }
  if (icon > 0) return [g(icon), g(icon)];
  if (icon === 0) return ['9.gif', '9.gif'];
  return ['11.gif', '11.gif'];
}

function makeTree(items, o, staticTree) {
  const lines = o.drawLines;
  const junction = lines ? ['downangle.gif', 'tshaped.gif', 'upangle.gif', 'sline.gif'] : Array(4).fill('blank.gif');
  const plus = lines ? ['daplus.gif', 'tplus.gif', 'uaplus.gif', 'splus.gif'] : Array(4).fill('plus.gif');
  const indent = (follows) => (lines && follows ? 'line.gif' : 'blank.gif');
  let out = '<script>SetEnv(' + (lines ? 0 : 1) + (o.autoCollapse ? ',true)</script>' : ',false)</script>');
  const first = o.startFromRoot ? 1 : 2;
  let prev = items[0].level;
  const divs = [];
  const follows = {};
  items.forEach((it, i) => {
    const L = it.level;
    follows[L] = !it.last;
    const [closed, open] = iconArray(it.icon, it.hasChild, o.realColorIcon);
    const pos = i === 0 && it.last ? 3 : it.last ? 2 : i === 0 ? 0 : 1;
    let junc = '';
    if (o.startFromRoot || L > 1) {
      if (it.hasChild) {
        junc = (staticTree ? '<a href="#">' : `<a href="#" onClick="return NodeClick('${i}')">`) +
          `<img id="imgn${i}" src="icons/${plus[pos]}" class="p"></a>`;
      } else {
        junc = `<img src="icons/${junction[pos]}" class="p">`;
      }
    }
    let target;
    if (!it.accessible && it.url && it.url.includes(':')) target = it.url.replace(/\\/g, '/');
    else if (it.status === 2) target = '#';
    else target = 'pages/' + it.url.replace(/\\/g, '/');
    target = htmlEscape(target);
    const t = htmlEscape(it.title);
    const status = jsSingle(t);
    let link;
    if (staticTree) {
      const img = it.hasChild ? `<img id="img${i}" src="icons/${open}" class="p">` : `<img src="icons/${closed}" class="p">`;
      link = `<a href="${target}" target="content" title="${t}">${img} <span id="l${i}" class="unselected">${t}</span></a>`;
    } else if (it.hasChild) {
      link = `<a href="${target}" onclick="return LinkClick('${i}',true,${target === '#' ? 'false' : 'true'})" ` +
        `onDblClick="return LinkDblClick('${i}')" target="content" title="${t}" onmousemove="window.status='${status}'">` +
        `<img id="img${i}" src="icons/${closed}" class="p"> <span id="l${i}" class="unselected">${t}</span></a>`;
    } else {
      link = `<a href="${target}" onclick="return LinkClick('${i}',false,true)" target="content" title="${t}" ` +
        `onmousemove="window.status='${status}'"><img src="icons/${closed}" class="p"> ` +
        `<span id="l${i}" class="unselected">${t}</span></a>`;
    }
    if (L < prev) out += '</div>'.repeat(prev - L);
    if (L > prev) {
      for (let k = 0; k < L - prev; k++) {
        out += staticTree ? `<div id="d${i - 1}">` : `<div id="d${i - 1}" style="display:none">`;
        divs.push(i - 1);
      }
    }
    let ind = '';
    for (let lv = first; lv < L; lv++) ind += `<img src="icons/${indent(follows[lv])}" class="p">`;
    out += '<div><nobr>' + ind + junc + link + '</nobr></div>' + CRLF;
    prev = L;
  });
  out += '</div>'.repeat(Math.max(0, prev - 1));
  if (!staticTree) out += '<script>divlist = [' + divs.join(',') + ']</script>';
  return out;
}

// Keyword levels split at "/", "//" being a literal "/".
function levels(keyword) {
  return keyword.split('//').map((p) => p.split('/')).reduce((acc, parts, k) => {
    if (k === 0) return parts;
    acc[acc.length - 1] += '/' + parts[0];
    return acc.concat(parts.slice(1));
  }, []);
}

function makeIndex(items) {
  const pairs = [];
  items.forEach((it) => {
    if (it.status !== 0) return;
    String(it.keywords || '').split(/\r?\n/).map((k) => k.trim()).filter(Boolean)
      .forEach((k) => pairs.push({ key: k.replace(/ /g, '``|').replace(/\\/g, ' '), item: it }));
  });
  if (!pairs.length) return '';
  // One fixed collation: without regard to case, then lower case first; ties keep document order.
  const swap = (x) => x.replace(/[a-zA-Z]/g, (c) => (c === c.toLowerCase() ? c.toUpperCase() : c.toLowerCase()));
  const cmp = (x, y) => (x < y ? -1 : x > y ? 1 : 0);
  pairs.sort((a, b) => cmp(a.key.toLowerCase(), b.key.toLowerCase()) || cmp(swap(a.key), swap(b.key)));
  const N1 = '<option value="writepage([';
  const N2 = ']);">';
  const nb = (lv) => '&nbsp;&nbsp;&nbsp;&nbsp;'.repeat(lv.length - 1);
  let out = '';
  let prev = null;
  const close = (kw) => {
    const lv = levels(kw);
    out += N2 + nb(lv) + htmlEscape(lv[lv.length - 1]) + '</option>';
  };
  pairs.forEach((p, k) => {
    const kw = p.key.replace(/ /g, '\\').split('``|').join(' ');
    const same = prev !== null && kw === prev;
    if (k > 0 && !same) close(prev);
    if (!same) {
      const lv = levels(kw);
      const pl = prev === null ? [] : levels(prev);
      // Group rows for the levels above the last one that the previous keyword does not share.
      let common = 0;
      while (common < lv.length && common < pl.length && lv[common] === pl[common]) common++;
      for (let d = common; d < lv.length - 1; d++) out += '<option>' + htmlEscape(lv[d]) + '</option>' + CRLF;
      out += N1;
    } else {
      out += ',';
    }
    // The page name is escaped like the title: a name with "'" would end the string early.
    out += "['" + jsSingle(htmlEscape(p.item.title)) + "','pages/" + jsSingle(htmlEscape(p.item.url.replace(/\\/g, '/'))) + "']";
    prev = kw;
  });
  close(prev);
  return out;
}

const ENTITIES = { amp: '&', lt: '<', gt: '>', quot: '"', apos: "'", nbsp: '\u00a0', copy: '\u00a9' };

export function plainText(html) {
  let out = '';
  let inTag = false;
  let name = '';
  let naming = false;
  let skip = false;
  let seenTag = false;
  const mark = () => { if (!out.endsWith('`')) out += '`'; };
  for (const c of html) {
    if (c === '<') { inTag = true; naming = true; name = ''; continue; }
    if (inTag) {
      if (c === '>') {
        inTag = false;
        naming = false;
        seenTag = true;
        const n = name.toLowerCase();
        skip = n === 'script' || n === 'title' || n === 'style';
        if (['p', 'br', 'ul', 'ol', '/li', 'td'].includes(n)) mark();
      } else if (naming) {
        if (c === ' ') naming = false; else name += c;
      }
      continue;
    }
    if (!seenTag || skip) continue;
    if (c === '\r' || c === '\n' || c === ' ') {
      if (!out.endsWith('`')) out += ' ';
      continue;
    }
    out += c;
  }
  return out.replace(/&#(x[0-9a-f]+|\d+);/gi, (all, n) => String.fromCodePoint(n[0] === 'x' || n[0] === 'X' ? parseInt(n.slice(1), 16) : parseInt(n, 10)))
    .replace(/&([a-z]+);/gi, (all, n) => ENTITIES[n.toLowerCase()] ?? all);
}

function jsDouble(s) {
  return String(s).replace(/\\/g, '\\\\').replace(/`/g, '\\n').replace(/\r/g, '\\n').replace(/\n/g, '\\r')
    .replace(/"/g, '\\"').replace(/'/g, "\\'").replace(/\u2028/g, '\\u2028').replace(/\u2029/g, '\\u2029');
}

function makeData(items) {
  const recs = items.map((it) => [plainText(it.body || ''), it.title, 'pages\\' + (it.url || '')]
    .map((s) => '"' + jsDouble(s) + '"').join(','));
  return 'var contents = new Array(' + recs.join(',') + ');';
}

function languageKeys() {
  const text = fs.readFileSync(path.join(install, 'languages.txt'), 'utf8').replace(/^\ufeff/, '');
  const keys = [];
  for (const line of text.split(/\r?\n/)) {
    const a = line.indexOf('["');
    const b = line.indexOf('"]');
    if (a < 0 || b < 0 || b < a) continue;
    const key = line.slice(a + 2, b).trim();
    if (key) keys.push(key);
  }
  return keys;
}

export function readDictionary(file) {
  return fs.readFileSync(file, 'utf8').replace(/^\ufeff/, '').split(/\r?\n/).filter(Boolean);
}

function makeLanguages(dictionary) {
  const lookup = (key) => {
    for (const line of dictionary || []) {
      const k = line.indexOf('=');
      if (k >= 0 && line.slice(0, k).toLowerCase() === key.toLowerCase()) return line.slice(k + 1) || key;
    }
    return key;
  };
  return 'var strings = new Object();' + CRLF +
    languageKeys().map((k) => 'strings["' + k + '"] = "' + lookup(k).replace(/\\/g, '\\\\').replace(/"/g, '\\"').replace(/\r/g, '\\r').replace(/\n/g, '\\n').split('</').join('<\\/') + '";' + CRLF).join('');
}

// ---- pages -------------------------------------------------------------------------------

function pageParam(url) {
  return url.replace(/\\/g, '/').replace(/ /g, '%20').replace(/&/g, '%26').replace(/=/g, '%3d');
}

function syncScript(i, url, E) {
  const depth = url.replace(/\\/g, '/').split('/').length - 1;
  const toIndex = '../'.repeat(depth + 1) + 'index' + E;
  return [
    '<script language="JavaScript" type="text/JavaScript">',
    'function syn(){',
    'if(parent.nav.tree){',
    ' if(parent.nav.tree.loaded){',
    `  parent.nav.tree.selectNode(${i});`,
    ' }else{',
    '  setTimeout("syn()",500);',
    '}',
    '  }else{',
    '  setTimeout("syn()",500);',
    '  }}',
    'if(parent!=self){',
    '  setTimeout("syn()",100);',
    '}else{',
    `  parent.location.href = "${toIndex}#page=${pageParam(url)}";`,
    '}',
    'originalOnload = window.onload;',
    'if(originalOnload==null){',
    'window.onload = function(){parent.contentLoaded = true;};',
    '}else{',
    'window.onload = function(){originalOnload();parent.contentLoaded = true;};',
    '}',
    '</script> ',
  ].join(CRLF) + CRLF;
}

// The topic tells the frame set that it is on screen; a message reaches it also from disk.
const ANNOUNCE = '<script>if(parent!=self){try{parent.postMessage({webhelp:1,t:"topic",href:location.href},"*");}catch(e){}}</script>' + CRLF;

const TOPIC_STYLE = [
  'body{margin:0;padding:28px 40px 40px;font:15px/1.65 system-ui,-apple-system,"Segoe UI",Roboto,"Noto Sans",Arial,sans-serif;color:#1e293b;max-width:820px}',
  '.crumbs{font-size:12.5px;color:#64748b;margin-bottom:6px}',
  'h1{font-size:26px;line-height:1.25;margin:0 0 14px;color:#0f172a}',
  'h2{font-size:18px;margin:26px 0 8px}',
  'a{color:#2563eb}',
  'code,kbd{font:13px ui-monospace,"DejaVu Sans Mono",monospace;background:#f1f5f9;border-radius:4px;padding:1px 5px}',
  'table{border-collapse:collapse;margin:10px 0}td,th{border:1px solid #e2e8f0;padding:5px 10px;text-align:left}th{background:#f8fafc}',
  '.prevnext{margin-top:36px;padding-top:12px;border-top:1px solid #e2e8f0;display:flex;justify-content:space-between;font-size:14px;color:#94a3b8}',
  '.footer{margin-top:18px;font-size:12px;color:#94a3b8}',
].join('\n');

function topicPage(items, i, o, pages) {
  const it = items[i];
  const at = pages.at.get(i) ?? -1;
  const prev = at > 0 ? pages.list[at - 1] : null;
  const next = at >= 0 && at + 1 < pages.list.length ? pages.list[at + 1] : null;
  const prevText = prev ? `<A href="${prev.url}">&lt;&lt;${o.prevHint}</a>` : `&lt;&lt;${o.prevHint}`;
  const nextText = next ? `<A href="${next.url}">${o.nextHint}&gt;&gt;</a>` : `${o.nextHint}&gt;&gt;`;
  const crumbs = [];
  for (let k = i - 1, lv = it.level; k >= 0 && lv > 1; k--) {
    if (items[k].level < lv) { crumbs.unshift(htmlEscape(items[k].title)); lv = items[k].level; }
  }
  let page = '<html>' + CRLF + '<head>' + CRLF +
    '<meta http-equiv=Content-Type content="text/html; charset=utf-8">' + CRLF +
    '<meta name=Generator content="Tavrel for Word">' + CRLF +
    '<title>' + htmlEscape(it.title) + '</title>' + CRLF +
    '<style>' + CRLF + TOPIC_STYLE + CRLF + '</style>' + CRLF + '</head>' + CRLF +
    '<body>' + CRLF +
    (crumbs.length ? '<div class="crumbs">' + crumbs.join(' &rsaquo; ') + '</div>' + CRLF : '') +
    '<h1>' + htmlEscape(it.title) + '</h1>' + CRLF + (it.body || '') + CRLF +
    '<div class="prevnext"><span>' + prevText + '</span><span>' + nextText + '</span></div>' + CRLF +
    '<div class="footer">' + htmlEscape(o.copyright) + '</div>' + CRLF +
    '</body>' + CRLF + '</html>' + CRLF;
  const body = /<body[^>]*>/i.exec(page);
  const cut = body.index + body[0].length;
  page = page.slice(0, cut) + syncScript(i, it.url, o.ext) + ANNOUNCE + page.slice(cut);
  page = '<!DOCTYPE HTML PUBLIC "-//W3C//DTD HTML 4.01 Transitional//EN">' + CRLF +
    '<!-- saved from url=(0014)about:internet -->' + CRLF + page;
  return page;
}

// ---- the folder --------------------------------------------------------------------------

function copyFile(from, to) {
  if (!fs.existsSync(from)) return;
  fs.mkdirSync(path.dirname(to), { recursive: true });
  fs.copyFileSync(from, to);
}

const FRAME_PAGES = ['index.htm', 'indexh.htm', 'webhelpframe.htm', 'webhelptop.htm', 'webhelptoph.htm',
  'webhelpcontents.htm', 'webhelplefth.htm', 'webhelpsearch.htm', 'webhelpbookmark.htm', 'webhelpleft.htm',
  'webhelptoolbar.htm'];

function cutBars(text) {
  let out = '';
  let pos = 0;
  for (;;) {
    const b = text.indexOf('<!--BEGINBAR-->', pos);
    if (b < 0) break;
    const e = text.indexOf('<!--ENDBAR-->', b);
    if (e < 0) break;
    out += text.slice(pos, b);
    pos = e + '<!--ENDBAR-->'.length;
  }
  return out + text.slice(pos);
}

export const defaults = {
  title: 'Help', ext: '.htm', showIndex: true, navWidth: 270, backColor: '', fontColor: '#DBEFF9',
  tocBackColor: '#FFFFFF', background: 1, realColorIcon: false, startFromRoot: true, autoCollapse: false,
  drawLines: true, dictionary: [], prevHint: 'Previous', nextHint: 'Next', copyright: '',
};

export function writeWebHelp(project, out) {
  const o = { ...defaults, ...project.settings };
  const items = prepare(project.items.map((x) => ({ ...x })));
  fs.rmSync(out, { recursive: true, force: true });
  fs.mkdirSync(path.join(out, 'pages'), { recursive: true });
  // Topic pages name their own extension; the writer gives them the project's.
  items.forEach((it) => { if (it.url && !it.outside) it.url = it.url.replace(/\.html?$/i, o.ext); });
  let defaultPage = null;
  const pages = { list: [], at: new Map() };
  items.forEach((it, i) => {
    if (it.status === 0 && !it.outside) { pages.at.set(i, pages.list.length); pages.list.push(it); }
  });
  items.forEach((it, i) => {
    if (it.status !== 0 || it.outside) return;
    const file = path.join(out, 'pages', it.url.replace(/\\/g, '/'));
    fs.mkdirSync(path.dirname(file), { recursive: true });
    fs.writeFileSync(file, topicPage(items, i, o, pages), 'utf8');
    defaultPage = defaultPage ?? it.url;
  });
  for (const f of project.attachments || []) copyFile(f.from, path.join(out, 'pages', f.to));

  fs.mkdirSync(path.join(out, 'icons'), { recursive: true });
  for (const f of fs.readdirSync(path.join(install, 'imgs'))) copyFile(path.join(install, 'imgs', f), path.join(out, 'icons', f));
  if (o.realColorIcon) {
    for (const f of fs.readdirSync(path.join(install, 'ricons'))) copyFile(path.join(install, 'ricons', f), path.join(out, 'icons', f));
  } else {
    const names = new Set();
    for (const it of items) {
      const n = it.icon;
      if (n > 0) names.add(n);
      if (n >= 1 && n <= 8) names.add(n % 2 ? n + 1 : n - 1);
    }
    for (const n of names) copyFile(path.join(install, 'icons', n + '.gif'), path.join(out, 'icons', n + '.gif'));
  }

  const title = htmlEscape(o.title);
  const fill = (text, name) => {
    if (o.ext === '.html') text = replaceAll(text, '.htm', '.html');
    text = replaceAll(text, '($PROJECTTITLE$)', title);
    // The default page stands in a script string on the root page and in a frame address on
    // the static frameset: each place gets the form it can carry.
    const dp = defaultPage.replace(/\\/g, '/');
    const scriptForm = jsSingle(dp).replace(/</g, '\\x3c').replace(/"/g, '\\x22');
    const addressForm = htmlEscape(dp.split('/').map((x) => encodeURIComponent(x)
      .replace(/[!'()*]/g, (c) => '%' + c.charCodeAt(0).toString(16).toUpperCase())).join('/'));
    text = text.replace(/\(\$DEFAULTPAGE\$\)/gi, (m, at, whole) => {
      const before = whole.slice(0, at).toLowerCase();
      return before.lastIndexOf('<script') > before.lastIndexOf('</script') ? scriptForm : addressForm;
    });
    text = replaceAll(text, '($NAVWIDTH$)', String(o.navWidth));
    text = replaceAll(text, '($BACKCOLOR$)', o.backColor);
    text = replaceAll(text, '($FONTCOLOR$)', o.fontColor);
    text = replaceAll(text, '($TOCBACKCOLOR$)', o.tocBackColor);
    if (name === 'webhelpcontents.htm') text = replaceAll(text, '($NAVIGATION$)', makeTree(items, o, false));
    if (name === 'webhelplefth.htm') text = replaceAll(text, '($NAVIGATION$)', makeTree(items, o, true));
    if (!o.showIndex) text = cutBars(text);
    if (o.background === 0) text = text.split(' background="back.jpg"').join('');
    if (!o.showIndex) text = text.split('//document').join('document');
    return text;
  };
  for (const name of FRAME_PAGES) {
    const text = fill(fs.readFileSync(path.join(install, name), 'utf8'), name);
    fs.writeFileSync(path.join(out, name.replace(/\.htm$/, o.ext)), BOM + text, 'utf8');
  }
  let index = fs.readFileSync(path.join(install, 'webhelpindex.htm'), 'utf8');
  if (o.ext === '.html') index = replaceAll(index, '.htm', '.html');
  if (!o.showIndex) index = cutBars(index);
  index = replaceAll(index, '($PROJECTTITLE$)', title);
  index = replaceAll(index, '($INDEXLIST$)', makeIndex(items));
  index = replaceAll(index, '($BACKCOLOR$)', o.backColor);
  fs.writeFileSync(path.join(out, 'webhelpindex' + o.ext), BOM + index, 'utf8');

  fs.writeFileSync(path.join(out, 'languages.js'), BOM + makeLanguages(o.dictionary), 'utf8');
  fs.writeFileSync(path.join(out, 'data.js'), BOM + makeData(items), 'utf8');
  for (const f of ['showall.gif', 'hideall.gif', 'previous.gif', 'next.gif', 'print.gif']) {
    copyFile(path.join(install, 'images', f), path.join(out, 'images', f));
  }
  copyFile(path.join(install, 'style.css'), path.join(out, 'style.css'));
  if (o.background >= 0) copyFile(path.join(install, 'bg', 'back' + o.background + '.jpg'), path.join(out, 'back.jpg'));
  return { items, defaultPage };
}

// ---- the sample projects -----------------------------------------------------------------

const P = (...paras) => paras.map((p) => (p.startsWith('<') ? p : '<p>' + p + '</p>')).join('\r\n');

export const basic = {
  settings: { title: 'Orchard Planner Help', copyright: 'Copyright 2024 Orchard Planner team' },
  items: [
    { level: 1, title: 'Welcome', url: 'welcome.htm', icon: 11, keywords: 'Welcome\nIntroduction',
      body: P('Orchard Planner helps you plan, plant and look after a small fruit orchard.',
        'Use the <b>Contents</b> tab to browse this help, the <b>Index</b> tab to look up a keyword, and the <b>Search</b> tab to find any word.',
        'New here? Start with <a href="install.htm">installing the program</a>, then read about <a href="pears.htm">pears</a>.') },
    { level: 1, title: 'Getting started', url: 'start.htm', icon: 1, keywords: 'Getting started',
      body: P('This chapter takes you from installation to your first orchard plan in a few minutes.') },
    { level: 2, title: 'Install', url: 'install.htm', icon: 11, keywords: 'Install\nSetup/Windows\nSetup/Linux',
      body: P('Download the installer and run it. On Linux, unpack the archive into your home folder.',
        'The program needs about 80 MB of disk space and no special rights.',
        '<h2>Updating</h2>', 'Install a newer version over the old one; your plans are kept.') },
    { level: 2, title: 'Your first plan', url: 'first_plan.htm', icon: 16, keywords: 'Plan/creating\nGetting started',
      body: P('Choose <b>File &gt; New plan</b>, give the orchard a name and draw its outline.',
        'Drop trees onto the plan from the tree palette. Each tree shows its spacing as a circle.') },
    { level: 1, title: 'Fruit', url: '', icon: 5,
      body: '' },
    { level: 2, title: 'Fruit basics', url: 'fruit.htm', icon: 11, keywords: 'Apple',
      body: P('Apples and pears are pome fruit; plums and cherries are stone fruit.',
        'Most fruit trees need a second variety nearby for pollination; a pear needs another pear.') },
    { level: 2, title: 'Pears', url: 'pears.htm', icon: 11, keywords: 'Fruit/Pear\nApple',
      body: P('Pears ripen best off the tree. Pick a pear when it parts from the spur with a gentle twist.',
        'Pear varieties: <table><tr><th>Variety</th><th>Season</th></tr><tr><td>Conference</td><td>October</td></tr><tr><td>Williams</td><td>September</td></tr></table>',
        'Store pears cool and bring them into the warm a few days before eating.') },
    { level: 2, title: 'Plums', url: 'plums.htm', icon: 11, keywords: 'Fruit/Plum',
      body: P('Plums flower early, so plant them where late frost does not settle.',
        'Thin the fruit in June to one plum every five centimetres.') },
    { level: 1, title: 'Reference', url: 'ref.htm', icon: 3, keywords: 'Reference',
      body: P('Look-up material: keyboard shortcuts and the words used in this help.') },
    { level: 2, title: 'Keyboard shortcuts', url: 'keys.htm', icon: 32, keywords: 'Keyboard\nShortcuts',
      body: P('<table><tr><th>Keys</th><th>Action</th></tr><tr><td><kbd>Ctrl+N</kbd></td><td>New plan</td></tr><tr><td><kbd>Ctrl+P</kbd></td><td>Print the plan</td></tr><tr><td><kbd>F1</kbd></td><td>This help</td></tr></table>') },
    { level: 2, title: 'Glossary', url: 'glossary.htm', icon: 13, keywords: 'Glossary\nSpur\nRootstock',
      body: P('<b>Rootstock</b>: the lower part of a grafted tree, which decides its size.',
        '<b>Spur</b>: a short shoot that carries flower buds year after year.') },
  ],
};

export const tricky = {
  settings: {
    title: 'Tricky & "quoted" <help> \u00e9t\u00e9 \ud834\udd1e', ext: '.html', drawLines: false, autoCollapse: true,
    startFromRoot: false, realColorIcon: true, background: 0, backColor: '#7c2d12', fontColor: '#fff7ed',
    tocBackColor: '#fffbeb', navWidth: 320, copyright: 'Back\\slash & </script> copyright',
  },
  items: [
    { level: 1, title: 'Tom\'s <b> & "friends"', url: "tom's.htm", icon: 11, keywords: 'Quote\'s "double"\nSlash//Path/Sub',
      body: P('Apostrophes, <quotes> &amp; ampersands.', 'The word zebra appears here once.') },
    { level: 1, title: 'Close </script> early', url: 'a b&c=d.htm', icon: 11, keywords: '</script>\n"<script>" tag\nEscapes/Back\\slash',
      body: P('This title tries to end a script element.', 'zebra zebra in the body.') },
    { level: 1, title: 'Back\\slash \\n', url: 'sub\\back.htm', icon: 11, keywords: 'Escapes/Quote\'',
      body: P('A page in a sub-folder, written with a backslash in its name.') },
    { level: 1, title: 'Deep book \ud83d\udcd8', url: '', icon: 1, body: '' },
    { level: 3, title: 'Skipped a level', url: 'skip.htm', icon: 11, keywords: 'Levels',
      body: P('This heading sits two levels below its book.') },
    { level: 2, title: '\u4e2d\u6587\u6807\u9898 \u2014 Unicode \ud83d\ude00', url: '\u4e2d\u6587.htm', icon: 11,
      keywords: '\u4e2d\u6587\nUnicode/\ud83d\ude00 emoji',
      body: P('\u8fd9\u662f\u4e00\u4e2a\u6d4b\u8bd5\u9875\u9762\uff0c\u7528\u6765\u68c0\u67e5\u641c\u7d22\u3002', 'Caf\u00e9 cr\u00e8me and na\u00efve r\u00e9sum\u00e9.') },
    { level: 1, title: 'Outside address', url: 'https://example.invalid/help', outside: true, status: 0, icon: 34,
      body: '' },
    { level: 1, title: 'Last = end', url: 'last.htm', icon: 11, keywords: 'End',
      body: P('The last page.') },
  ],
};

// A project with n topics in books of 20, with a vocabulary large enough to stress the search.
export function bigProject(n) {
  const syll = ['ka', 'lo', 'mi', 'ne', 'su', 'ta', 'ri', 'po', 've', 'du', 'xa', 'qe', 'bo', 'fi', 'gu', 'ho'];
  let seed = 12345;
  const rnd = () => { seed = (seed * 1103515245 + 12345) & 0x7fffffff; return seed / 0x7fffffff; };
  const vocab = [];
  for (let k = 0; k < 20000; k++) {
    let w = '';
    const len = 2 + Math.floor(rnd() * 3);
    for (let s = 0; s < len; s++) w += syll[Math.floor(rnd() * syll.length)];
    vocab.push(w);
  }
  const word = () => vocab[Math.floor(Math.pow(rnd(), 2.2) * vocab.length)];
  const items = [];
  for (let k = 0; k < n; k++) {
    if (k % 20 === 0) items.push({ level: 1, title: 'Book ' + (k / 20 + 1), url: '', icon: 1, body: '' });
    const paras = [];
    for (let p = 0; p < 4; p++) {
      const ws = [];
      for (let w = 0; w < 45; w++) ws.push(word());
      paras.push(ws.join(' ') + '.');
    }
    items.push({ level: 2, title: 'Topic ' + k + ' ' + word() + ' ' + word(), url: 't' + k + '.htm', icon: 11,
      keywords: word(), body: P(...paras) });
  }
  return { settings: { title: 'Benchmark help' }, items };
}

export function writeFixtures() {
  writeWebHelp(basic, path.join(fixtures, 'basic'));
  writeWebHelp({ ...tricky, settings: { ...tricky.settings, dictionary: readDictionary(path.join(install, 'langs', 'German.tsl')) } },
    path.join(fixtures, 'tricky'));
}

if (process.argv[1] && path.resolve(process.argv[1]) === fileURLToPath(import.meta.url)) {
  writeFixtures();
  console.log('wrote', path.relative(repo, fixtures));
}
