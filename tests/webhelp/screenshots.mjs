// Takes the pictures of the WebHelp output shown in the README (docs/webhelp-*.png) from the
// WebHelp folder that `tavrel --build` makes of the sample project (scripts/run.sh leaves it in
// build/sample-run/WebHelp):
//   node tests/webhelp/screenshots.mjs [WebHelp folder]

import fs from 'node:fs';
import path from 'node:path';
import { repo } from './make_sample.mjs';
import { frame, launch, openHelp, origins, waitContent, waitFrame, until } from './helpers.mjs';

const folder = path.resolve(process.argv[2] || path.join(repo, 'build', 'sample-run', 'WebHelp'));
const ext = fs.existsSync(path.join(folder, 'index.html')) ? '.html' : '.htm';
const site = await origins(folder);
const browser = await launch();
const shot = (page, name) => page.screenshot({ path: path.join(repo, 'docs', `webhelp-${name}.png`) });
async function pane(page, name) {
  const nav = await waitFrame(page, 'nav');
  await nav.click(`#wh-tab-${name}`);
  for (let k = 0; k < 100 && !/webhelp\w+\.html?$/.test(frame(page, name)?.url() || ''); k++) await page.waitForTimeout(50);
  const f = await waitFrame(page, name);
  await until(f, () => document.readyState === 'complete');
  return f;
}
try {
  // The tree with a book open and one of its topics shown.
  let { page, tree } = await openHelp(browser.context, site.http + `index${ext}#page=sub-entries${ext}`);
  await waitContent(page, `/pages/sub-entries${ext}`);
  await tree.click('#imgn4');
  await page.waitForTimeout(400);
  await page.mouse.move(900, 600);
  await shot(page, 'contents');

  // The index with a keyword of several topics chosen.
  const idx = await pane(page, 'idx');
  await idx.fill('#wh-keyword', 'building');
  await idx.press('#wh-keyword', 'Enter');
  await page.waitForTimeout(400);
  await shot(page, 'index');

  // A search and the first topic found.
  const search = await pane(page, 'search');
  await search.fill('#wh-query', 'template');
  await search.press('#wh-query', 'Enter');
  await search.waitForSelector('#wh-results a');
  await search.click('#wh-results a');
  await page.waitForTimeout(600);
  await page.mouse.move(900, 600);
  await shot(page, 'search');
  await page.close();
} finally {
  await browser.close();
  await site.close();
}
