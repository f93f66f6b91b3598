// The WebHelp frameset in headless Chromium, opened through a loopback server and from disk:
// tree, topic redirect, index, search, previous/next and the header buttons.

import assert from 'node:assert/strict';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { after, before, describe, test } from 'node:test';
import { basic as basicProject, fixtures, writeWebHelp } from './make_sample.mjs';
import { frame, launch, openHelp, origins, selectedTitle, showPane, waitContent, waitFrame, waitSelected, until } from './helpers.mjs';

const basic = path.join(fixtures, 'basic');
const tricky = path.join(fixtures, 'tricky');

// Errors the generated synchronisation script raises by design where frames are kept apart.
const expectedFromDisk = (m) => /Blocked a frame with origin "null"/.test(m);

let browser;
let sites;
before(async () => {
  browser = await launch();
  sites = { basic: await origins(basic), tricky: await origins(tricky) };
});
after(async () => {
  await browser.close();
  await sites.basic.close();
  await sites.tricky.close();
});

for (const mode of ['http', 'file']) {
  describe(`basic sample over ${mode}`, () => {
    const url = () => sites.basic[mode] + 'index.htm';

    test('the tree expands, collapses, shows and highlights the clicked topic', async () => {
      const { page, tree, errors } = await openHelp(browser.context, url());
      await waitContent(page, '/pages/welcome.htm');
      await waitSelected(tree, 'Welcome');

      assert.equal(await tree.isVisible('#l2'), false);
      await tree.click('#imgn1');
      assert.equal(await tree.isVisible('#l2'), true);
      assert.equal(await tree.getAttribute('#imgn1', 'src'), 'icons/tminus.gif');
      assert.equal(await tree.getAttribute('#img1', 'src'), 'icons/2.gif', 'an open book shows its open icon');
      await tree.click('#imgn1');
      assert.equal(await tree.isVisible('#l2'), false);
      assert.equal(await tree.getAttribute('#imgn1', 'src'), 'icons/tplus.gif');
      assert.equal(await tree.getAttribute('#img1', 'src'), 'icons/1.gif');

      // A book without a page opens and closes by its title and shows nothing new.
      await tree.click('#l4');
      assert.equal(await tree.isVisible('#l6'), true);
      await tree.click('#l6');
      await waitContent(page, '/pages/pears.htm');
      await waitSelected(tree, 'Pears');
      assert.equal(await tree.getAttribute('#l0', 'class'), 'unselected');

      // A book with a page opens and shows its page; a double click closes it again.
      await tree.click('#l8');
      await waitContent(page, '/pages/ref.htm');
      assert.equal(await tree.isVisible('#l9'), true);
      await page.waitForTimeout(900);
      await tree.dblclick('#l8');
      assert.equal(await tree.isVisible('#l9'), false);

      // Expand all and collapse all from the contents toolbar.
      const bar = await waitFrame(page, 'tocbar');
      await bar.click('#wh-expand');
      await until(tree, () => document.getElementById('d1').style.display !== 'none' &&
        document.getElementById('d8').style.display !== 'none');
      await bar.click('#wh-collapse');
      await until(tree, () => document.getElementById('d1').style.display === 'none');
      assert.equal(await tree.isVisible('#l8'), true);

      assert.deepEqual(errors.filter((e) => !expectedFromDisk(e)), []);
      await page.close();
    });

    test('the tree works from the keyboard', async () => {
      const { page, tree } = await openHelp(browser.context, url());
      await waitSelected(tree, 'Welcome');
      await tree.focus('a:has(#l0)');
      await tree.press('a:has(#l0)', 'ArrowDown');
      assert.equal(await tree.evaluate(() => document.activeElement.textContent.trim()), 'Getting started');
      await page.keyboard.press('ArrowRight');
      assert.equal(await tree.isVisible('#l2'), true, 'right opens a book');
      await page.keyboard.press('ArrowRight');
      assert.equal(await tree.evaluate(() => document.activeElement.textContent.trim()), 'Install');
      await page.keyboard.press('ArrowLeft');
      assert.equal(await tree.evaluate(() => document.activeElement.textContent.trim()), 'Getting started');
      await page.keyboard.press('ArrowLeft');
      assert.equal(await tree.isVisible('#l2'), false, 'left closes it');
      await page.keyboard.press('End');
      await page.keyboard.press('Enter');
      await waitContent(page, '/pages/ref.htm');
      await waitSelected(tree, 'Reference');
      await page.close();
    });

    test('a topic opened alone comes back inside the frameset with that topic selected', async () => {
      const page = await browser.context.newPage();
      await page.goto(sites.basic[mode] + 'pages/plums.htm');
      await page.waitForURL(/index\.htm#page=plums\.htm$/);
      await waitContent(page, '/pages/plums.htm');
      const tree = await waitFrame(page, 'tree');
      await waitSelected(tree, 'Plums');
      assert.equal(await tree.isVisible('#l7'), true, 'its book is opened');
      await page.close();
    });

    test('previous and next links of the topic and of the header', async () => {
      const { page, tree } = await openHelp(browser.context, url() + '#page=install.htm');
      let content = await waitContent(page, '/pages/install.htm');
      await waitSelected(tree, 'Install');

      await content.click('a:has-text("Next")');
      content = await waitContent(page, '/pages/first_plan.htm');
      // The topic announces itself, so the tree and the header follow also from disk.
      await waitSelected(tree, 'Your first plan');
      const header0 = await waitFrame(page, 'header');
      await until(header0, () => !document.getElementById('wh-prev').disabled);
      await content.click('a:has-text("Previous")');
      await waitContent(page, '/pages/install.htm');
      await waitSelected(tree, 'Install');

      const header = await waitFrame(page, 'header');
      await header.click('#wh-next');
      await waitContent(page, '/pages/first_plan.htm');
      await waitSelected(tree, 'Your first plan');
      await header.click('#wh-next');
      await waitContent(page, '/pages/fruit.htm');
      await waitSelected(tree, 'Fruit basics');
      await header.click('#wh-prev');
      await waitContent(page, '/pages/first_plan.htm');
      await waitSelected(tree, 'Your first plan');

      // The first topic has no previous one.
      await tree.click('#l0');
      await waitContent(page, '/pages/welcome.htm');
      await until(header, () => document.getElementById('wh-prev').disabled);
      await page.close();
    });

    test('a link inside a topic: the tree and the header follow', async () => {
      const { page, tree, errors } = await openHelp(browser.context, url());
      const content = await waitContent(page, '/pages/welcome.htm');
      const header = await waitFrame(page, 'header');
      await until(header, () => document.getElementById('wh-prev').disabled);
      await content.click('a[href="pears.htm"]');
      await waitContent(page, '/pages/pears.htm');
      await waitSelected(tree, 'Pears');
      assert.equal(await tree.isVisible('#l6'), true);
      await until(header, () => !document.getElementById('wh-prev').disabled);
      // The header's Next goes on from the topic on screen, not from the one clicked last.
      await header.click('#wh-next');
      await waitContent(page, '/pages/plums.htm');
      await waitSelected(tree, 'Plums');
      assert.deepEqual(errors.filter((e) => !expectedFromDisk(e)), []);
      await page.close();
    });

    test('the index lists keywords with sub-levels and opens their topics', async () => {
      const { page, tree } = await openHelp(browser.context, url());
      await waitContent(page, '/pages/welcome.htm');
      const idx = await showPane(page, 'idx');
      const rows = await idx.$$eval('.wh-kw', (els) => els.map((e) => ({
        text: e.firstChild.textContent, group: e.classList.contains('wh-kw-group'),
        indent: parseInt(e.style.paddingLeft, 10),
      })));
      const names = rows.map((r) => r.text);
      assert.deepEqual(names.slice(0, 4), ['Apple', 'Fruit', 'Pear', 'Plum']);
      assert.equal(rows[1].group, true);
      assert.ok(rows[2].indent > rows[1].indent, 'a sub-level is indented');
      assert.ok(names.includes('Windows') && names.includes('Linux'));

      // A keyword of one topic opens it at once.
      await idx.locator('.wh-kw').filter({ hasText: /^Plum$/ }).click();
      await waitContent(page, '/pages/plums.htm');
      await waitSelected(tree, 'Plums');

      // A keyword of two topics offers both.
      await idx.fill('#wh-keyword', 'app');
      await until(idx, () => document.querySelector('.wh-kw.wh-active').firstChild.textContent === 'Apple');
      await idx.press('#wh-keyword', 'Enter');
      await idx.waitForSelector('#wh-chooser:not([hidden])');
      const offered = await idx.$$eval('#wh-chooser-list a', (as) => as.map((a) => a.textContent));
      assert.deepEqual(offered, ['Fruit basics', 'Pears']);
      await idx.locator('#wh-chooser-list a').filter({ hasText: 'Pears' }).click();
      await waitContent(page, '/pages/pears.htm');
      await waitSelected(tree, 'Pears');
      const active = () => idx.evaluate(() => {
        const a = document.querySelector('.wh-kw.wh-active');
        return a ? a.firstChild.textContent : '';
      });
      assert.equal(await active(), 'Apple', 'the chosen keyword stays while it leads to the topic shown');

      // The highlighted keyword follows a topic opened elsewhere (here by the address).
      await page.evaluate(() => { location.hash = '#page=plums.htm'; });
      await waitContent(page, '/pages/plums.htm');
      await until(idx, () => { const a = document.querySelector('.wh-kw.wh-active'); return !!a && a.firstChild.textContent === 'Plum'; });
      await page.close();
    });

    test('the search finds words across topics and ranks them', async () => {
      const { page, tree } = await openHelp(browser.context, url());
      await waitContent(page, '/pages/welcome.htm');
      const find = await showPane(page, 'search');
      const search = async (q) => {
        await find.fill('#wh-query', q);
        await find.press('#wh-query', 'Enter');
        await until(find, () => /found|No topics/.test(document.getElementById('wh-status').textContent));
        return find.$$eval('#wh-results a', (as) => as.map((a) => a.textContent));
      };
      const pear = await search('pear');
      assert.equal(pear[0], 'Pears', 'the topic about pears ranks first');
      assert.ok(pear.includes('Fruit basics') && pear.includes('Welcome'));
      assert.match(await find.textContent('#wh-status'), /^\d+ topics found$/);
      assert.ok(await find.$('#wh-results mark'), 'the words found are marked');

      assert.deepEqual(await search('pollination pear'), ['Fruit basics']);
      assert.deepEqual(await search('"gentle twist"'), ['Pears']);
      assert.deepEqual(await search('root'), ['Glossary'], 'a word matches longer words it begins');
      assert.deepEqual(await search('kumquat'), []);
      assert.equal(await find.textContent('#wh-status'), 'No topics found.');

      await search('frost');
      await find.click('#wh-results a');
      await waitContent(page, '/pages/plums.htm');
      await waitSelected(tree, 'Plums');
      await page.close();
    });

    test('hide and show the navigation pane, favorites', async () => {
      const { page, tree } = await openHelp(browser.context, url());
      await waitContent(page, '/pages/welcome.htm');
      await waitSelected(tree, 'Welcome');
      const header = await waitFrame(page, 'header');
      await header.click('#wh-nav-button');
      await until(page, () => getComputedStyle(document.getElementById('wh-nav')).display === 'none');
      assert.equal(await header.getAttribute('#wh-nav-button img', 'src'), 'images/showall.gif');
      await header.click('#wh-nav-button');
      await until(page, () => getComputedStyle(document.getElementById('wh-nav')).display !== 'none');

      const fav = await showPane(page, 'fav');
      await until(fav, () => document.getElementById('wh-fav-current').textContent === 'Welcome');
      await fav.click('#wh-fav-add');
      await fav.waitForSelector('#wh-fav-list a');
      await showPane(page, 'toc');
      await tree.click('#imgn8');
      await tree.click('#l10');
      await waitContent(page, '/pages/glossary.htm');
      await showPane(page, 'fav');
      await fav.click('#wh-fav-list a');
      await waitContent(page, '/pages/welcome.htm');
      await fav.click('.wh-remove');
      await fav.waitForSelector('#wh-fav-empty:not([hidden])');
      await page.close();
    });
  });

  describe(`tricky sample over ${mode}`, () => {
    const url = () => sites.tricky[mode] + 'index.html';

    test('titles with quotes, markup, backslashes and other scripts show as written', async () => {
      const { page, tree, errors } = await openHelp(browser.context, url());
      await waitContent(page, "/pages/tom's.html");
      await waitSelected(tree, 'Tom\'s <b> & "friends"');
      const titles = await tree.$$eval('#wh-tree span[id^="l"]', (s) => s.map((e) => e.textContent));
      assert.deepEqual(titles, ['Tom\'s <b> & "friends"', 'Close </script> early', 'Back\\slash \\n',
        'Deep book \ud83d\udcd8', 'Skipped a level', '\u4e2d\u6587\u6807\u9898 \u2014 Unicode \ud83d\ude00',
        'Outside address', 'Last = end']);
      assert.equal(await page.title(), 'Tricky & "quoted" <help> \u00e9t\u00e9 \ud834\udd1e');
      const header = await waitFrame(page, 'header');
      assert.equal(await header.textContent('#wh-title'), await page.title());

      // German interface texts from the dictionary.
      const nav = await waitFrame(page, 'nav');
      assert.equal(await nav.textContent('#wh-tab-toc span'), 'Inhalt');
      assert.equal(await header.textContent('#wh-print span'), 'Drucken');

      // A page name with a blank, "&" and "=", one in a sub-folder, one under a skipped level.
      await tree.click('#l1');
      await waitContent(page, '/pages/a b&c=d.html');
      await tree.click('#l2');
      await waitContent(page, '/pages/sub/back.html');
      assert.equal(await tree.isVisible('#l4'), false);
      await tree.click('#l3');
      assert.equal(await tree.isVisible('#l4'), true, 'a heading two levels down opens with its book');
      await tree.click('#l4');
      await waitContent(page, '/pages/skip.html');
      assert.equal(await tree.getAttribute('a[title="Outside address"]', 'href'), 'https://example.invalid/help');
      assert.deepEqual(errors.filter((e) => !expectedFromDisk(e)), []);
      await page.close();
    });

    test('a page name with a blank, "&" and "=" opened alone comes back to its place', async () => {
      const page = await browser.context.newPage();
      await page.goto(sites.tricky[mode] + 'pages/a%20b%26c%3Dd.html');
      await page.waitForURL(/index\.html#page=/);
      await waitContent(page, '/pages/a b&c=d.html');
      await waitSelected(await waitFrame(page, 'tree'), 'Close </script> early');
      await page.close();
    });

    test('with automatic collapse only one book stays open', async () => {
      const { page, tree } = await openHelp(browser.context, url());
      await tree.click('#l3');
      assert.equal(await tree.isVisible('#l5'), true);
      await tree.click('#l4');
      await waitContent(page, '/pages/skip.html');
      assert.equal(await tree.isVisible('#l5'), true, 'the branch of the selected topic stays open');
      await page.close();
    });

    test('index and search with tricky keywords and other scripts', async () => {
      const { page, tree } = await openHelp(browser.context, url());
      const idx = await showPane(page, 'idx');
      const names = await idx.$$eval('.wh-kw', (els) => els.map((e) => e.firstChild.textContent));
      assert.ok(names.includes('"<script>" tag'));
      assert.ok(names.includes('<') && names.includes('script>'), 'a slash in a keyword makes a sub-level');
      assert.ok(names.includes('Quote\'s "double"'));
      assert.ok(names.includes('Slash/Path'), 'a doubled slash is a slash');
      assert.ok(names.includes('Back\\slash'));
      await idx.locator('.wh-kw').filter({ hasText: '"<script>" tag' }).click();
      await waitContent(page, '/pages/a b&c=d.html');
      await waitSelected(tree, 'Close </script> early');
      await idx.locator('.wh-kw').filter({ hasText: 'Quote\'s "double"' }).click();
      await waitContent(page, "/pages/tom's.html");

      const find = await showPane(page, 'search');
      const search = async (q) => {
        await find.fill('#wh-query', q);
        await find.press('#wh-query', 'Enter');
        await until(find, () => /gefunden/.test(document.getElementById('wh-status').textContent));
        return find.$$eval('#wh-results a', (as) => as.map((a) => a.textContent));
      };
      assert.deepEqual(await search('zebra'), ['Close </script> early', 'Tom\'s <b> & "friends"']);
      assert.deepEqual(await search('\u6d4b\u8bd5'), ['\u4e2d\u6587\u6807\u9898 \u2014 Unicode \ud83d\ude00']);
      assert.deepEqual(await search('cafe resume'), ['\u4e2d\u6587\u6807\u9898 \u2014 Unicode \ud83d\ude00'],
        'accents do not matter');
      assert.match(await find.textContent('#wh-status'), /^1 Thema gefunden$/);
      await find.click('#wh-results a');
      await waitContent(page, '/pages/\u4e2d\u6587.html');
      await waitSelected(tree, '\u4e2d\u6587\u6807\u9898 \u2014 Unicode \ud83d\ude00');
      await page.close();
    });
  });
}

test('the static frameset shows every heading open', async () => {
  const page = await browser.context.newPage();
  await page.goto(sites.basic.http + 'indexh.htm');
  const nav = await waitFrame(page, 'nav');
  assert.equal(await nav.isVisible('#l9'), true);
  await nav.click('#l6');
  await waitContent(page, '/pages/pears.htm');
  assert.equal(frame(page, 'header') !== null, true);
  await page.close();
});

// A page may announce itself to the root page; then the tree follows links inside topics
// also from disk. Here the announcement sits in the topic bodies.
const ANNOUNCE = '<script>parent.postMessage({webhelp: 1, t: "topic", href: location.href}, "*")</script>';

test('without the index; topics that announce themselves are followed from disk too', async () => {
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'webhelp-noindex-'));
  try {
    const project = {
      settings: { ...basicProject.settings, showIndex: false },
      items: basicProject.items.map((it) => ({ ...it, body: (it.body || '') + (it.url ? ANNOUNCE : '') })),
    };
    writeWebHelp(project, dir);
    const site = await origins(dir);
    try {
      for (const mode of ['http', 'file']) {
        const { page, tree } = await openHelp(browser.context, site[mode] + 'index.htm');
        const nav = await waitFrame(page, 'nav');
        assert.equal(await nav.$('#wh-tab-idx'), null, 'no index tab');
        assert.equal(await nav.evaluate(() => document.documentElement.classList.contains('wh-no-index')), true);
        assert.equal(await nav.$$eval('[role=tab]', (t) => t.length), 3);
        const content = await waitContent(page, '/pages/welcome.htm');
        await waitSelected(tree, 'Welcome');
        await content.click('a[href="pears.htm"]');
        await waitContent(page, '/pages/pears.htm');
        await waitSelected(tree, 'Pears');
        await page.close();
      }
    } finally {
      await site.close();
    }
  } finally {
    fs.rmSync(dir, { recursive: true, force: true });
  }
});
