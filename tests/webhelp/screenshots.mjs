// Takes the pictures of the WebHelp output shown in the README (docs/webhelp-*.png).
//   node tests/webhelp/screenshots.mjs

import path from 'node:path';
import { fixtures, repo } from './make_sample.mjs';
import { frame, launch, openHelp, origins, waitContent, waitFrame } from './helpers.mjs';

const site = await origins(path.join(fixtures, 'basic'));
const browser = await launch();
const shot = (page, name) => page.screenshot({ path: path.join(repo, 'docs', `webhelp-${name}.png`) });
async function pane(page, name) {
  const nav = await waitFrame(page, 'nav');
  await nav.click(`#wh-tab-${name}`);
  for (let k = 0; k < 100 && !/webhelp\w+\.htm$/.test(frame(page, name)?.url() || ''); k++) await page.waitForTimeout(50);
  const f = await waitFrame(page, name);
  await f.waitForFunction(() => document.readyState === 'complete');
  return f;
}
try {
  let { page, tree } = await openHelp(browser.context, site.http + 'index.htm#page=pears.htm');
  await waitContent(page, '/pages/pears.htm');
  await tree.click('#imgn1');
  await page.waitForTimeout(400);
  await page.mouse.move(900, 600);
  await shot(page, 'contents');

  const idx = await pane(page, 'idx');
  await idx.fill('#wh-keyword', 'apple');
  await idx.press('#wh-keyword', 'Enter');
  await idx.waitForSelector('#wh-chooser:not([hidden])');
  await idx.locator('#wh-chooser-list a').filter({ hasText: 'Fruit basics' }).click();
  await waitContent(page, '/pages/fruit.htm');
  await idx.press('#wh-keyword', 'Enter');
  await page.waitForTimeout(300);
  await shot(page, 'index');

  const search = await pane(page, 'search');
  await search.fill('#wh-query', 'pear');
  await search.press('#wh-query', 'Enter');
  await search.waitForSelector('#wh-results a');
  await search.click('#wh-results a');
  await waitContent(page, '/pages/pears.htm');
  await page.waitForTimeout(300);
  await page.mouse.move(900, 600);
  await shot(page, 'search');
  await page.close();
} finally {
  await browser.close();
  await site.close();
}
