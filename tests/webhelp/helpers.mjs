// Shared set-up of the WebHelp browser tests: a loopback HTTP server over a folder, headless
// Chromium, and helpers to reach the frames of the WebHelp frameset.

import fs from 'node:fs';
import http from 'node:http';
import os from 'node:os';
import path from 'node:path';
import { pathToFileURL } from 'node:url';
import { chromium } from 'playwright-core';

const TYPES = {
  '.htm': 'text/html; charset=utf-8', '.html': 'text/html; charset=utf-8', '.js': 'text/javascript; charset=utf-8',
  '.css': 'text/css; charset=utf-8', '.gif': 'image/gif', '.jpg': 'image/jpeg', '.png': 'image/png',
};

// The one bound of every wait in the suite. It is generous on purpose: the suite shares a busy
// machine with other tests, and a wait that gives up early there proves nothing.
export const PATIENCE = 120000;

// Serves root on 127.0.0.1 at a free port; resolves to { url, close }.
export function serve(root) {
  const server = http.createServer((req, res) => {
    let rel;
    try { rel = decodeURIComponent(new URL(req.url, 'http://x').pathname); } catch { rel = '/'; }
    const file = path.join(root, path.normalize(rel).replace(/^([/\\])+/, ''));
    if (!file.startsWith(root) || !fs.existsSync(file) || fs.statSync(file).isDirectory()) {
      res.writeHead(404, { 'Content-Type': 'text/plain' });
      res.end('not found');
      return;
    }
    res.writeHead(200, { 'Content-Type': TYPES[path.extname(file).toLowerCase()] || 'application/octet-stream' });
    fs.createReadStream(file).pipe(res);
  });
  return new Promise((resolve) => {
    server.listen(0, '127.0.0.1', () => {
      resolve({ url: `http://127.0.0.1:${server.address().port}/`, close: () => new Promise((r) => server.close(r)) });
    });
  });
}

export async function launch() {
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'webhelp-chromium-'));
  const context = await chromium.launchPersistentContext(profile, {
    executablePath: '/usr/bin/chromium',
    headless: true,
    args: ['--no-sandbox', '--disable-gpu', '--disable-background-networking', '--disable-component-update',
      '--disable-sync', '--no-first-run', '--disable-default-apps', '--hide-scrollbars'],
    viewport: { width: 1180, height: 720 },
  });
  context.setDefaultTimeout(PATIENCE);
  return {
    context,
    async close() {
      await context.close();
      fs.rmSync(profile, { recursive: true, force: true });
    },
  };
}

// The two ways a WebHelp folder is opened: through the loopback server and from disk.
export async function origins(folder) {
  const server = await serve(folder);
  return {
    http: server.url,
    file: pathToFileURL(folder + path.sep).href,
    close: server.close,
  };
}

// Waits until fn, run in the frame, returns a true value. It asks every 50 ms rather than at each
// animation frame: a frame the browser does not paint (another origin's frame on a busy machine)
// gets no animation frames, and such a wait would not end although its condition holds.
export function until(frame, fn, arg) {
  return frame.waitForFunction(fn, arg, { polling: 50 });
}

export function frame(page, name) {
  return page.frames().find((f) => f.name() === name) || null;
}

// Resolves to the frame called name once its address passes test: at once when it already does,
// else at the navigation that makes it so. Waiting on navigations instead of polling with short
// sleeps keeps the suite right on a machine that is busy with other tests.
export async function waitFrameUrl(page, name, test) {
  const passes = (f) => f.name() === name && test(decodeURIComponent(f.url()));
  const navigated = page.waitForEvent('framenavigated', { predicate: passes, timeout: PATIENCE });
  const now = frame(page, name);
  if (now && passes(now)) {
    navigated.catch(() => {});
    return now;
  }
  return navigated;
}

export async function waitFrame(page, name) {
  const end = Date.now() + PATIENCE;
  const left = () => Math.max(1, end - Date.now());
  for (;;) {
    const f = frame(page, name)
      || await page.waitForEvent('framenavigated', { predicate: (x) => x.name() === name, timeout: left() }).catch(() => null);
    if (f) {
      try {
        await f.waitForLoadState('load', { timeout: left() });
        return f;
      } catch { /* detached: try again */ }
    }
    if (Date.now() >= end) throw new Error('no frame ' + name);
  }
}

// Opens a pane of the navigation frame by its tab and waits until its page has loaded.
export async function showPane(page, name) {
  const nav = await waitFrame(page, 'nav');
  await nav.click(`#wh-tab-${name}`);
  await waitFrameUrl(page, name, (u) => /webhelp\w+\.html?$/.test(u)).catch(() => {
    throw new Error('pane ' + name + ' did not load');
  });
  const f = await waitFrame(page, name);
  await until(f, () => document.readyState === 'complete');
  return f;
}

// Opens the help and waits until the tree has told the root that it is ready.
export async function openHelp(context, url) {
  const page = await context.newPage();
  const errors = [];
  page.on('pageerror', (e) => errors.push(e.message));
  await page.goto(url);
  const tree = await waitFrame(page, 'tree');
  await until(tree, () => typeof WHTree !== 'undefined');
  return { page, tree, errors };
}

export async function contentUrl(page) {
  return frame(page, 'content').url();
}

export async function waitContent(page, suffix) {
  const f = await waitFrameUrl(page, 'content', (u) => u.endsWith(suffix)).catch(() => {
    const now = frame(page, 'content');
    throw new Error(`content is ${now ? decodeURIComponent(now.url()) : ''}, not ...${suffix}`);
  });
  await f.waitForLoadState('load').catch(() => {});
  return f;
}

// Resolves when the content frame shows another page than the one at address before.
export async function waitContentChange(page, before) {
  return waitFrameUrl(page, 'content', (u) => u !== decodeURIComponent(before));
}

export async function selectedTitle(tree) {
  return tree.evaluate(() => {
    const s = document.querySelector('#wh-tree span.selected');
    return s ? s.textContent : null;
  });
}

export async function waitSelected(tree, title) {
  await until(tree, (t) => {
    const s = document.querySelector('#wh-tree span.selected');
    return s && s.textContent === t;
  }, title).catch(async (e) => {
    const now = await selectedTitle(tree).catch(() => '(the tree is gone)');
    throw new Error(`the tree shows "${now}" selected, not "${title}": ${e.message}`);
  });
}
