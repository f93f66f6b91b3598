// The sample project of the installation, built by the program itself (`tavrel --build` on a
// work copy with only its WebHelp output switched on), in headless Chromium over a loopback
// server and from disk: the tree, a topic opened alone, the index and the search.

import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { after, before, test } from 'node:test';
import { repo } from './make_sample.mjs';
import { frame, launch, openHelp, origins, showPane, waitContent, waitContentChange, waitFrame, waitSelected, until } from './helpers.mjs';

// The program sits beside its data folder, which the test environment names.
const program = process.env.TAVREL_PROGRAM ||
  (process.env.TAVREL_DATA ? path.join(path.dirname(process.env.TAVREL_DATA), 'tavrel') : path.join(repo, 'build', 'bin', 'tavrel'));

let work;
let site;
let browser;
before(async () => {
  work = fs.mkdtempSync(path.join(os.tmpdir(), 'webhelp-sample-project-'));
  const ini = fs.readFileSync(path.join(repo, 'data', 'sample', 'sample.tvp')).toString('utf16le')
    .replace(/^HtmlHelpOutput=1$/m, 'HtmlHelpOutput=0').replace(/^PDFOutput=1$/m, 'PDFOutput=0');
  fs.writeFileSync(path.join(work, 'sample.tvp'), Buffer.from(ini, 'utf16le'));
  fs.copyFileSync(path.join(repo, 'data', 'sample', 'sample.docx'), path.join(work, 'sample.docx'));
  execFileSync(program, ['--build', path.join(work, 'sample.tvp')], {
    env: { ...process.env, QT_QPA_PLATFORM: 'offscreen' }, stdio: ['ignore', 'ignore', 'inherit'], timeout: 240000,
  });
  site = await origins(path.join(work, 'WebHelp'));
  browser = await launch();
});
after(async () => {
  await browser?.close();
  await site?.close();
  fs.rmSync(work, { recursive: true, force: true });
});

for (const mode of ['http', 'file']) {
  test(`the sample project's WebHelp over ${mode}`, async () => {
    const { page, tree, errors } = await openHelp(browser.context, site[mode] + 'index.html');
    await waitContent(page, '/pages/welcome.html');
    await waitSelected(tree, 'Welcome to Tavrel for Word');
    assert.equal(await page.title(), 'Tavrel for Word Sample');

    // A book opens and closes; a topic in it is shown and highlighted.
    const book = await tree.$$eval('[id^=imgn]', (imgs) => imgs.map((i) => i.id.slice(4)));
    const n = book[1];
    const first = Number(n) + 1;
    assert.equal(await tree.isVisible(`#l${first}`), false);
    await tree.click(`#imgn${n}`);
    assert.equal(await tree.isVisible(`#l${first}`), true);
    const title = await tree.textContent(`#l${first}`);
    await tree.click(`#l${first}`);
    await waitSelected(tree, title);
    const href = await tree.getAttribute(`a:has(#l${first})`, 'href');
    await waitContent(page, '/' + href);
    await tree.click(`#imgn${n}`);
    assert.equal(await tree.isVisible(`#l${first}`), false);

    // The index lists the document's entries with sub-levels and opens a topic.
    const idx = await showPane(page, 'idx');
    const rows = await idx.$$eval('.wh-kw', (els) => els.map((e) => e.firstChild.textContent));
    assert.ok(rows.length > 20, 'the index has the document\'s entries');
    assert.ok(rows.includes('building') && rows.includes('WebHelp'));
    const before = frame(page, 'content').url();
    await idx.locator('.wh-kw').filter({ hasText: /^WebHelp$/ }).first().click();
    if (await idx.isVisible('#wh-chooser')) await idx.click('#wh-chooser-list a');
    await waitContentChange(page, before).catch(() => {});
    assert.notEqual(frame(page, 'content').url(), before, 'an index entry opens its topic');

    // The search finds a word across topics.
    const find = await showPane(page, 'search');
    await find.fill('#wh-query', 'template');
    await find.press('#wh-query', 'Enter');
    await until(find, () => /found/.test(document.getElementById('wh-status').textContent));
    const found = await find.$$eval('#wh-results a', (as) => as.map((a) => a.textContent));
    assert.ok(found.length >= 3, found.join(', '));
    await find.click('#wh-results a');
    await waitSelected(tree, found[0]);

    assert.deepEqual(errors.filter((e) => !/Blocked a frame with origin "null"/.test(e)), []);
    await page.close();

    // A topic opened alone comes back into the frameset.
    const alone = await browser.context.newPage();
    await alone.goto(site[mode] + 'pages/' + href.replace(/^pages\//, ''));
    await alone.waitForURL(/index\.html#page=/);
    await waitSelected(await waitFrame(alone, 'tree'), title);
    await alone.close();
  });
}
