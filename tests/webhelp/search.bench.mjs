// The search over a WebHelp of 10,000 topics answers in under 100 ms once its word index is
// built. Prints the measured times. A benchmark, not a test: run it with
// `node tests/webhelp/search.bench.mjs` after `npm ci` in tests/webhelp. The help is written by
// the program's own writer through the tool tools/large_webhelp (TAVREL_LARGE_WEBHELP, default
// build/bin/large_webhelp); without that program the reference writer here makes it.

import assert from 'node:assert/strict';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { after, before, test } from 'node:test';
import { execFileSync } from 'node:child_process';
import { bigProject, repo, writeWebHelp } from './make_sample.mjs';
import { frame, launch, origins, waitFrame } from './helpers.mjs';

let root;
let dir;
let site;
let browser;
before(async () => {
  root = fs.mkdtempSync(path.join(os.tmpdir(), 'webhelp-bench-'));
  dir = root;
  const program = process.env.TAVREL_LARGE_WEBHELP || path.join(repo, 'build', 'bin', 'large_webhelp');
  if (fs.existsSync(program)) {
    const out = path.join(dir, 'web');
    execFileSync(program, ['--gtest_filter=WebhelpSample.LargeHelpForTheSearchBenchmark'], {
      env: { ...process.env, TAVREL_WEBHELP_BIG: out, QT_QPA_PLATFORM: 'offscreen',
        TAVREL_DATA: process.env.TAVREL_DATA || path.join(path.dirname(program), 'data') },
      stdio: ['ignore', 'ignore', 'inherit'],
    });
    console.log('help written by', program);
    dir = out;
  } else {
    writeWebHelp(bigProject(10000), dir);
  }
  site = await origins(dir);
  browser = await launch();
});
after(async () => {
  await browser.close();
  await site.close();
  fs.rmSync(root, { recursive: true, force: true });
});

test('search over 10,000 topics', async () => {
  const page = await browser.context.newPage();
  await page.goto(site.http + 'index.htm');
  const nav = await waitFrame(page, 'nav');
  await nav.click('#wh-tab-search');
  await page.waitForFunction(() => true);
  let search;
  for (let k = 0; k < 200 && !search; k++) {
    const f = frame(page, 'search');
    if (f && /webhelpsearch\.htm$/.test(f.url())) search = f;
    else await page.waitForTimeout(50);
  }
  await search.waitForFunction(() => typeof WHSearch !== 'undefined' && WHSearch.stats().built, null, { timeout: 60000 });
  const stats = await search.evaluate(() => WHSearch.stats());
  assert.equal(stats.docs, 10000);

  // Common and rare words, prefixes and several words at once; each query timed alone.
  const words = await search.evaluate(() => {
    const text = contents[3 * 5].split(/\s+/).filter((w) => /^[a-z]{4,}$/.test(w));
    return [text[0], text[1], text[2].slice(0, 3), text[3] + ' ' + text[4], 'ka', 'zzzz'];
  });
  const times = await search.evaluate((qs) => qs.map((q) => {
    WHSearch.query(q);
    const t0 = performance.now();
    const n = WHSearch.query(q).length;
    return { q, ms: performance.now() - t0, n };
  }), words);
  console.log(`index built in ${stats.buildMs.toFixed(0)} ms over ${stats.docs} topics, ${stats.words} words`);
  for (const t of times) console.log(`  query ${JSON.stringify(t.q)}: ${t.n} topics in ${t.ms.toFixed(1)} ms`);
  for (const t of times) assert.ok(t.ms < 100, `${t.q} took ${t.ms} ms`);
  assert.ok(times[0].n > 0);

  // Through the pane, as a reader would: type, press Enter, read the count.
  const t0 = Date.now();
  await search.fill('#wh-query', words[3]);
  await search.press('#wh-query', 'Enter');
  await search.waitForFunction(() => /found/.test(document.getElementById('wh-status').textContent));
  console.log(`  through the pane: ${Date.now() - t0} ms`);
  await page.close();
});
