import { withChromium } from './page.mjs';
const devices = {
  phone: { width: 390, height: 844, deviceScaleFactor: 3, isMobile: true, hasTouch: true },
  landscape: { width: 844, height: 390, deviceScaleFactor: 3, isMobile: true, hasTouch: true },
  laptop: { width: 1280, height: 720, deviceScaleFactor: 1 },
};
await withChromium(process.argv[2], [], async (browser, base) => {
  for (const [name, viewport] of Object.entries(devices)) {
    const page = await browser.newPage();
    page.on('console', m => console.log(name, m.type(), m.text()));
    page.on('pageerror', e => console.log(name, 'pageerror', e.message));
    await page.setViewport(viewport);
    await page.goto(base);
    await page.waitForFunction(() => ['waiting', 'failed', 'playing'].includes(window.quen.state), { timeout: 20000 });
    console.log(name, await page.evaluate(() => JSON.stringify({ s: quen.state, box: quen.box, start: document.getElementById('start').textContent, f: quen.failure })));
    await page.screenshot({ path: `/tmp/look/${name}-card.png` });
    if (viewport.hasTouch) await page.touchscreen.tap(100, 100); else await page.mouse.click(100, 100);
    await new Promise(r => setTimeout(r, 3000));
    console.log(name, await page.evaluate(() => JSON.stringify({ s: quen.state, first: quen.program?.quenFirstFrameAt - quen.startedAt })));
    await page.screenshot({ path: `/tmp/look/${name}-play.png` });
    await page.close();
  }
});
