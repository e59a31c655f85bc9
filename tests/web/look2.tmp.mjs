import { withChromium } from './page.mjs';
await withChromium(process.argv[2], ['--autoplay-policy=user-gesture-required'], async (browser, base) => {
  for (let i = 0; i < 4; i++) {
    const page = await browser.newPage();
    const client = await page.createCDPSession();
    const peek = async expr => (await client.send('Runtime.evaluate', { expression: expr, returnByValue: true, userGesture: false })).result.value;
    await page.goto(base);
    for (let t = 0; t < 200 && (await peek('window.quen?.state')) !== 'waiting'; t++) await new Promise(r => setTimeout(r, 50));
    console.log(await peek('quen.state + " " + quen.audio.state'));
    await new Promise(r => setTimeout(r, 300));
    await page.mouse.click(100, 100);
    for (let t = 0; t < 200 && !(await peek('quen.program?.quenFirstFrameAt')); t++) await new Promise(r => setTimeout(r, 50));
    console.log(await peek('JSON.stringify({ first: quen.program.quenFirstFrameAt - quen.startedAt, state: quen.state, audio: quen.audio.state })'));
    await page.close();
  }
});
