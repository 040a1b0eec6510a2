// The step-through pages of heapsort and versefind in a real headless
// Chromium (versefind is taken from the folder of HEAPSORT).
//
//   node page_test.js HEAPSORT WORKDIR              checks the pages
//   node page_test.js HEAPSORT WORKDIR --picture PNG   takes the docs' screenshots
//                                                   (versefind's beside PNG)
//
// For a build and a sort, the page must load with no console error and no
// request beyond its own file, and at its first, a middle and its last step
// (opened with #step=K), and after an arrow key and a click, show the
// array that the run's own JSON event log gives when replayed on the numbers
// read. The number file's name holds HTML's markup characters, which the
// page's title must show as they are.
'use strict';
const { spawnSync } = require('child_process');
const fs = require('fs');
const path = require('path');
const os = require('os');
const puppeteer = require('puppeteer-core');

const [program, workdir, option, picture] = process.argv.slice(2);
const TRACED = 31;
const PICTURE_STEP = 14;  // in the picture: the build exchanges the root with a child
// The check: the example of the heap's contract, then more, 33 numbers
// with ties and negatives, of which the first 31 are traced. The picture:
// the example number file.
const NAME = option === '--picture' ? 'initdata1.txt' : 'a<b>&"c\'.txt';
const NUMBERS = option === '--picture'
  ? fs.readFileSync(path.join(__dirname, '..', 'examples', 'input', NAME), 'utf8').trim().split(/\s+/).map(Number)
  : [4, 1, 3, 2, 16, 9, 10, 14, 8, 7, 5, 5, -3, 0, 22, 22, 7, -40, 13, 1, 99, 6,
     -2147483648, 2147483647, 12, 3, 3, 18, 0, 11, 21, 8, 8];

function heapsort(type, trace) {
  const run = spawnSync(program, ['-i', NAME, '-t', type, trace],
                        { cwd: workdir, encoding: 'utf8', maxBuffer: 1 << 26 });
  if (run.status !== 0) throw new Error(`heapsort -t ${type} ${trace}: status ${run.status}: ${run.stderr}`);
  return run.stdout;
}

// The array after each event: replays[k] is the array after k events.
function replay(events) {
  const a = [0, ...NUMBERS.slice(0, TRACED)];
  let heapSize = a.length - 1;
  const states = [a.slice(1)];
  for (const e of events) {
    if (e.event === 'swap') [a[e.i], a[e.j]] = [a[e.j], a[e.i]];
    if (e.event === 'extract') {
      if (a[1] !== e.max) throw new Error(`extract ${e.max} while a[1] is ${a[1]}`);
      [a[1], a[heapSize]] = [a[heapSize], a[1]];
      heapSize -= 1;
    }
    states.push(a.slice(1));
  }
  return states;
}

function same(what, shown, expected) {
  const [a, b] = [JSON.stringify(shown), JSON.stringify(expected.map(String))];
  if (a !== b) throw new Error(`${what}: the page shows ${a}, the log gives ${b}`);
}

async function shown(page) {
  return page.evaluate(() => ({
    tree: Array.from(document.querySelectorAll('#stage g.node text.key'), (t) => t.textContent),
    array: Array.from(document.querySelectorAll('#stage g.cell text.key'), (t) => t.textContent),
    counter: document.getElementById('counter').textContent,
    hash: location.hash,
    title: document.title,
  }));
}

// Opens `file` at step k in a new page; console errors, page errors and
// requests beyond the file go to `problems`.
async function openStep(browser, file, k, problems) {
  const page = await browser.newPage();
  page.on('console', (m) => { if (m.type() === 'error') problems.push(`console: ${m.text()}`); });
  page.on('pageerror', (e) => problems.push(`page error: ${e.message}`));
  page.on('request', (r) => { if (!r.url().startsWith('file://')) problems.push(`request: ${r.url()}`); });
  await page.goto(`file://${file}#step=${k}`, { waitUntil: 'load' });
  return page;
}

async function checkPage(browser, file, states, label) {
  const last = states.length - 1;
  const problems = [];
  for (const k of [0, Math.floor(last / 2), last]) {
    const page = await openStep(browser, file, k, problems);
    let s = await shown(page);
    same(`${label}, step ${k}, the tree`, s.tree, states[k]);
    same(`${label}, step ${k}, the array`, s.array, states[k]);
    if (s.counter !== `step ${k} of ${last}`) throw new Error(`${label}: counter "${s.counter}" at step ${k}`);
    if (s.title !== `heapsort: ${label} ${NAME}`) throw new Error(`${label}: title "${s.title}"`);
    // An arrow key and a button step too, and the address follows.
    const to = k === last ? k - 1 : k + 1;
    await page.keyboard.press(k === last ? 'ArrowLeft' : 'ArrowRight');
    s = await shown(page);
    same(`${label}, an arrow key from step ${k}`, s.tree, states[to]);
    if (s.hash !== `#step=${to}`) throw new Error(`${label}: address ${s.hash} at step ${to}`);
    await page.click(k === last ? '#next' : '#back');
    same(`${label}, a click from step ${to}`, (await shown(page)).tree, states[k]);
    await page.close();
  }
  if (problems.length > 0) throw new Error(`${label}:\n  ${problems.join('\n  ')}`);
  console.log(`page test: ${label}: steps 0, ${Math.floor(last / 2)} and ${last} of ${last} show the logged array`);
}

// versefind's page, beside heapsort in the same folder: a B-tree of order 2
// growing by the words of the worked example and more, whose keys at each
// step are the words the JSON event log has placed as new keys by then; by
// the trials' rules (a word of HTML's markup characters among them, which the
// page must show as text) and by the text rules. The picture: the example
// text's first 60 words.
const VERSEFIND = path.join(path.dirname(program), 'versefind');
const WORDS = ['ape', 'bee', 'cat', 'dog', 'bee', '<b>&"x', 'emu', 'fox', 'gnu', 'hen', 'ant',
  'yak', 'cat', 'owl', 'bat', 'elk', 'ram', 'cow', 'pig', 'asp'];
const VERSEFIND_PICTURE_STEP = 117;  // the leaf [tap the then] split, "the" moving up

function versefind(args) {
  const run = spawnSync(VERSEFIND, args, { cwd: workdir, encoding: 'utf8', maxBuffer: 1 << 26 });
  if (run.status !== 0) throw new Error(`versefind ${args.join(' ')}: status ${run.status}: ${run.stderr}`);
  return run.stdout;
}

// The keys after each event, in order: keys[k] after k events.
function placedKeys(events) {
  const keys = new Set();
  const states = [[]];
  for (const e of events) {
    if (e.event === 'place' && e.new) keys.add(e.word);
    states.push([...keys].sort());
  }
  return states;
}

async function checkTreePage(browser, file, states) {
  const last = states.length - 1;
  const problems = [];
  for (const k of [0, Math.floor(last / 2), last]) {
    const page = await openStep(browser, file, k, problems);
    const s = await page.evaluate(() => ({
      keys: Array.from(document.querySelectorAll('#stage g.node text.key'), (t) => t.textContent).sort(),
      markup: document.querySelectorAll('#stage b, body > b').length,
      counter: document.getElementById('counter').textContent,
    }));
    same(`the B-tree, step ${k}, the keys`, s.keys, states[k]);
    if (s.markup !== 0) throw new Error(`the B-tree, step ${k}: a word became markup`);
    if (s.counter !== `step ${k} of ${last}`) throw new Error(`the B-tree: counter "${s.counter}" at step ${k}`);
    await page.close();
  }
  if (problems.length > 0) throw new Error(`the B-tree:\n  ${problems.join('\n  ')}`);
  console.log(`page test: versefind: steps 0, ${Math.floor(last / 2)} and ${last} of ${last} show the logged keys`);
}

async function versefindPage(browser) {
  if (option === '--picture') {
    fs.copyFileSync(path.join(__dirname, '..', 'examples', 'sonnets.txt'), path.join(workdir, 'sonnets.txt'));
    const file = path.resolve(workdir, 'page-tree.html');
    fs.writeFileSync(file, versefind(['2', '--trace=html']));
    const page = await browser.newPage();
    await page.setViewport({ width: 840, height: 380 });
    await page.goto(`file://${file}#step=${VERSEFIND_PICTURE_STEP}`, { waitUntil: 'load' });
    const shot = path.join(path.dirname(picture), 'versefind-page.png');
    await page.screenshot({ path: shot });
    console.log(`page test: the picture of step ${VERSEFIND_PICTURE_STEP} of versefind's trace: ${shot}`);
    return;
  }
  const file = path.resolve(workdir, 'page-tree.html');
  for (const rules of [['--classic'], []]) {
    fs.writeFileSync(file, versefind([...rules, '2', '--trace=html', '--', ...WORDS]));
    const events = versefind([...rules, '2', '--trace=json', '--', ...WORDS]).trim().split('\n').map((l) => JSON.parse(l));
    await checkTreePage(browser, file, placedKeys(events));
  }
}

async function main() {
  fs.rmSync(workdir, { recursive: true, force: true });
  fs.mkdirSync(path.join(workdir, 'input'), { recursive: true });
  fs.writeFileSync(path.join(workdir, 'input', NAME), NUMBERS.join(' ') + '\n');
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'page-test-'));
  const browser = await puppeteer.launch({
    executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
    headless: true,
    userDataDir: profile,
    args: ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
           '--disable-background-networking', '--disable-component-update', '--disable-sync'],
  });
  try {
    for (const [type, label] of [['b', 'building a heap of'], ['s', 'sorting']]) {
      const file = path.resolve(workdir, `page-${type}.html`);
      fs.writeFileSync(file, heapsort(type, '--trace=html'));
      const events = heapsort(type, '--trace=json').trim().split('\n').map((l) => JSON.parse(l));
      if (option === '--picture') {
        if (type !== 's') continue;
        const page = await browser.newPage();
        const k = PICTURE_STEP;
        await page.setViewport({ width: 840, height: 470 });
        await page.goto(`file://${file}#step=${k}`, { waitUntil: 'load' });
        await page.screenshot({ path: picture });
        console.log(`page test: the picture of step ${k} of the sort: ${picture}`);
      } else {
        await checkPage(browser, file, replay(events), label);
      }
    }
    await versefindPage(browser);
  } finally {
    await browser.close();
    fs.rmSync(profile, { recursive: true, force: true });
  }
}

main().catch((e) => {
  console.error(`page test: ${e.message}`);
  process.exit(1);
});
