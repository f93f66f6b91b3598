// The installation folder data/webhelp: every file the WebHelp writer copies or fills is
// there, in the encoding it must have, with the placeholders and texts it must hold.

import assert from 'node:assert/strict';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { test } from 'node:test';
import { basic, fixtures, install, readDictionary, tricky, writeWebHelp } from './make_sample.mjs';

const read = (f) => fs.readFileSync(path.join(install, f));
const FRAME_PAGES = ['index.htm', 'indexh.htm', 'webhelpframe.htm', 'webhelptop.htm', 'webhelptoph.htm',
  'webhelpcontents.htm', 'webhelplefth.htm', 'webhelpsearch.htm', 'webhelpbookmark.htm', 'webhelpleft.htm',
  'webhelptoolbar.htm', 'webhelpindex.htm'];

function keys() {
  const out = [];
  for (const line of read('languages.txt').toString('latin1').split(/\r?\n/)) {
    const a = line.indexOf('["');
    const b = line.indexOf('"]');
    if (a >= 0 && b > a && line.slice(a + 2, b).trim()) out.push(line.slice(a + 2, b).trim());
  }
  return out;
}

test('pages and style sheet are pure ASCII and declare UTF-8 where the page writer looks', () => {
  for (const f of [...FRAME_PAGES, 'style.css', 'languages.txt']) {
    const bytes = read(f);
    assert.ok(bytes.every((b) => b < 0x80), `${f} is not pure ASCII`);
  }
  for (const f of FRAME_PAGES) {
    const text = read(f).toString('latin1');
    // The writer reads the charset after the first "charset=": it must be the meta element's.
    assert.match(text.slice(text.toLowerCase().indexOf('charset=')), /^charset=utf-8"/i, f);
    assert.ok(!/\.html/i.test(text), `${f} names an .html file: the writer would make it .htmll`);
  }
});

test('each page holds the placeholders the writer fills, and the markers it cuts', () => {
  const need = {
    'index.htm': ['($PROJECTTITLE$)', '($DEFAULTPAGE$)', '($NAVWIDTH$)', '($BACKCOLOR$)', '($FONTCOLOR$)', '($TOCBACKCOLOR$)'],
    'indexh.htm': ['($PROJECTTITLE$)', '($DEFAULTPAGE$)', '($NAVWIDTH$)'],
    'webhelptop.htm': ['($PROJECTTITLE$)', '($BACKCOLOR$)', '($FONTCOLOR$)', ' background="back.jpg"'],
    'webhelptoph.htm': ['($PROJECTTITLE$)', '($BACKCOLOR$)', '($FONTCOLOR$)', ' background="back.jpg"'],
    'webhelpcontents.htm': ['($NAVIGATION$)', '($TOCBACKCOLOR$)'],
    'webhelplefth.htm': ['($NAVIGATION$)', '($TOCBACKCOLOR$)'],
    'webhelpindex.htm': ['($INDEXLIST$)', '($PROJECTTITLE$)', '($BACKCOLOR$)'],
    'webhelpframe.htm': ['<!--BEGINBAR-->', '<!--ENDBAR-->', '//document'],
  };
  for (const [f, list] of Object.entries(need)) {
    const text = read(f).toString('latin1');
    for (const p of list) assert.ok(text.includes(p), `${f} lacks ${p}`);
  }
  for (const f of FRAME_PAGES) {
    const text = read(f).toString('latin1');
    const begins = text.split('<!--BEGINBAR-->').length;
    assert.equal(begins, text.split('<!--ENDBAR-->').length, `${f}: markers in pairs`);
    if (f !== 'webhelpframe.htm') assert.ok(!text.includes('//document'), `${f} would be changed without index`);
    if (!['webhelptop.htm', 'webhelptoph.htm'].includes(f)) assert.ok(!text.includes(' background="back.jpg"'), f);
  }
  // The generated tree calls these; the index list calls writepage.
  const tree = read('webhelpcontents.htm').toString('latin1');
  for (const fn of ['function SetEnv(', 'function NodeClick(', 'function LinkClick(', 'function LinkDblClick(', 'var divlist']) {
    assert.ok(tree.includes(fn), fn);
  }
  assert.ok(read('webhelpindex.htm').toString('latin1').includes('function writepage('));
  assert.ok(read('webhelpframe.htm').toString('latin1').includes('var tree = {'));
});

test('the shared script block is the same in every page that has it', () => {
  const blocks = new Set();
  for (const f of FRAME_PAGES) {
    const m = /\/\* common:begin \*\/[\s\S]*?\/\* common:end \*\//.exec(read(f).toString('latin1'));
    if (m) blocks.add(m[0]);
  }
  assert.equal(blocks.size, 1);
});

test('every interface text the pages show is a key of languages.txt, and every translation has them all', () => {
  const k = keys();
  assert.equal(new Set(k.map((x) => x.toLowerCase())).size, k.length, 'keys are unique');
  const used = new Set();
  for (const f of FRAME_PAGES) {
    const text = read(f).toString('latin1');
    for (const m of text.matchAll(/data-t(?:-title|-placeholder|-label)?="([^"]+)"/g)) used.add(m[1]);
    for (const m of text.matchAll(/\b(?:T|fmt)\('([^']+)'/g)) used.add(m[1]);
    for (const m of text.matchAll(/\bT\(m\.shown \? '([^']+)' : '([^']+)'\)/g)) { used.add(m[1]); used.add(m[2]); }
  }
  for (const u of used) assert.ok(k.includes(u), `"${u}" is not in languages.txt`);
  for (const key of k) assert.ok(used.has(key), `"${key}" is not used by any page`);

  const langs = fs.readdirSync(path.join(install, 'langs')).filter((f) => f.endsWith('.tsl'));
  for (const need of ['German', 'French', 'Spanish', 'Chinese-Simplified', 'Japanese']) {
    assert.ok(langs.includes(need + '.tsl'), need);
  }
  for (const f of langs) {
    const bytes = fs.readFileSync(path.join(install, 'langs', f));
    assert.deepEqual([...bytes.subarray(0, 3)], [0xef, 0xbb, 0xbf], `${f} starts with a byte-order mark`);
    const text = bytes.subarray(3).toString('utf8');
    assert.ok(text.endsWith('\r\n') && !/[^\r]\n/.test(text), `${f} ends its lines with CR LF`);
    const lines = text.split('\r\n').slice(0, -1);
    assert.deepEqual(lines.map((l) => l.slice(0, l.indexOf('='))), k, `${f} has every key in order`);
    for (const l of lines) {
      const tr = l.slice(l.indexOf('=') + 1);
      assert.ok(tr.trim(), `${f}: ${l}`);
      if (l.includes('%1')) assert.ok(tr.includes('%1'), `${f}: ${l} keeps its number`);
    }
  }
});

test('pictures: 42 contents icons in both sets and as PNG, the tree images, buttons and backgrounds', () => {
  const isGif = (f) => fs.readFileSync(f).subarray(0, 6).toString('latin1') === 'GIF89a';
  const size = (f) => { const b = fs.readFileSync(f); return [b.readUInt16LE(6), b.readUInt16LE(8)]; };
  for (let n = 1; n <= 42; n++) {
    for (const set of ['icons', 'ricons']) {
      const f = path.join(install, set, n + '.gif');
      assert.ok(isGif(f), f);
      assert.deepEqual(size(f), [16, 16], f);
    }
    for (const [name, px] of [[n + '.png', 16], [n + '@2x.png', 32]]) {
      const b = fs.readFileSync(path.join(install, 'icons-png', name));
      assert.equal(b.readUInt32BE(16), px, name);
    }
  }
  assert.equal(fs.readdirSync(path.join(install, 'icons')).length, 42);
  const tree = ['downangle', 'tshaped', 'upangle', 'sline', 'daplus', 'tplus', 'uaplus', 'splus', 'daminus',
    'tminus', 'uaminus', 'sminus', 'blank', 'line', 'plus', 'minus'];
  for (const t of tree) {
    const f = path.join(install, 'imgs', t + '.gif');
    assert.ok(isGif(f), f);
    assert.deepEqual(size(f), [20, 24], f);
  }
  for (const b of ['showall', 'hideall', 'previous', 'next', 'print']) assert.ok(isGif(path.join(install, 'images', b + '.gif')));
  for (let n = 1; n <= 9; n++) {
    const b = fs.readFileSync(path.join(install, 'bg', `back${n}.jpg`));
    assert.deepEqual([...b.subarray(0, 2)], [0xff, 0xd8], `back${n}.jpg is a JPEG`);
  }
});

// The committed sample folders are the program's own output (the C++ writer regenerates and
// checks them in its tests). The reference writer here must agree with it on everything but the
// topic pages, which the program makes through its page template.
test('the reference writer and the program agree on the frame pages, tree, index and scripts', () => {
  const tmp = fs.mkdtempSync(path.join(os.tmpdir(), 'webhelp-fixture-'));
  try {
    const list = (dir) => fs.readdirSync(dir, { recursive: true })
      .filter((f) => !f.startsWith('pages') && fs.statSync(path.join(dir, f)).isFile()).sort();
    const cases = [['basic', basic], ['tricky', { ...tricky, settings: { ...tricky.settings,
      dictionary: readDictionary(path.join(install, 'langs', 'German.tsl')) } }]];
    for (const [name, project] of cases) {
      writeWebHelp(project, path.join(tmp, name));
      const want = path.join(tmp, name);
      const have = path.join(fixtures, name);
      assert.deepEqual(list(have), list(want), `${name}: same files`);
      for (const f of list(want)) {
        assert.equal(fs.readFileSync(path.join(have, f), 'utf8'), fs.readFileSync(path.join(want, f), 'utf8'),
          `${name}/${f} differs between the two writers`);
      }
    }
  } finally {
    fs.rmSync(tmp, { recursive: true, force: true });
  }
});
