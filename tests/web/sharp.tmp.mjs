import { withChromium } from './page.mjs';
import { decodePng } from './png.mjs';
const devices = {
  phone: { width: 390, height: 844, deviceScaleFactor: 3, isMobile: true, hasTouch: true },
  landscape: { width: 844, height: 390, deviceScaleFactor: 3, isMobile: true, hasTouch: true },


  odd: { width: 1000, height: 700, deviceScaleFactor: 1.25 },
};
await withChromium(process.argv[2], [], async (browser, base) => {
  for (const [name, viewport] of Object.entries(devices)) {
    const page = await browser.newPage();
    await page.setViewport(viewport);
    await page.goto(base + '?test');
    await page.waitForFunction(() => quen.state === 'test');
    await page.evaluate(() => quen.renderAt(45000));
    if (viewport.full) { await page.click('#fullscreen'); await page.waitForFunction(() => quen.box.height === innerHeight * devicePixelRatio); }
    const box = await page.evaluate(() => quen.box);
    const frame = Buffer.from(await page.evaluate(() => Array.from(document.getElementById('screen').getContext('2d').getImageData(0, 0, 800, 600).data)));
    const shot = decodePng(await page.screenshot({ type: 'png' }));
    let exact = 0, neighbour = 0, other = 0; const otherRows = new Map(), otherCols = new Map(); let maxd = 0;
    for (let Y = 0; Y < box.height; Y++) {
      const sy = Math.floor((Y + 0.5) * 600 / box.height);
      for (let X = 0; X < box.width; X++) {
        const sx = Math.floor((X + 0.5) * 800 / box.width);
        const o = ((box.y + Y) * shot.width + box.x + X) * 4;
        const same = (i) => shot.rgba[o] === frame[i] && shot.rgba[o + 1] === frame[i + 1] && shot.rgba[o + 2] === frame[i + 2];
        if (same((sy * 800 + sx) * 4)) exact++;
        else {
          let n = false;
          for (const [dx, dy] of [[-1,0],[1,0],[0,-1],[0,1],[-1,-1],[1,1],[-1,1],[1,-1]]) { const a = sx+dx, b = sy+dy; if (a>=0&&a<800&&b>=0&&b<600&&same((b*800+a)*4)) n = true; }
          if (n) { neighbour++; const fx = (X + 0.5) * 800 / box.width, fy = (Y + 0.5) * 600 / box.height; const d = Math.min(Math.abs(fx - Math.round(fx)), Math.abs(fy - Math.round(fy))); maxd = Math.max(maxd, d); } else { other++; otherRows.set(Y, (otherRows.get(Y)||0)+1); otherCols.set(X, (otherCols.get(X)||0)+1); }
        }
      }
    }
    console.log(name, JSON.stringify(box), shot.width, shot.height, { exact, neighbour, other, maxd }, [...otherRows].slice(0,5), [...otherCols].slice(0,5));
    await page.close();
  }
});
