// The page in Debian's chromium, served from build-web/site on 127.0.0.1.
import { defineConfig } from '@playwright/test';

const port = Number(process.env.ZAR_WEB_PORT ?? 8765);
const site = process.env.ZAR_SITE ?? new URL('../../build-web/site', import.meta.url).pathname;
export default defineConfig({
  testDir: '.',
  testMatch: '*.spec.mjs',
  timeout: 120_000,
  workers: 1,
  reporter: 'list',
  use: {
    baseURL: `http://127.0.0.1:${port}/`,
    launchOptions: {
      executablePath: '/usr/bin/chromium',
      args: ['--no-sandbox', '--disable-background-networking', '--disable-component-update', '--no-first-run',
        '--disable-sync', '--disable-domain-reliability', '--host-resolver-rules=MAP * ~NOTFOUND , EXCLUDE 127.0.0.1'],
    },
  },
  webServer: {
    command: `python3 -m http.server ${port} --bind 127.0.0.1 --directory ${site}`,
    url: `http://127.0.0.1:${port}/index.html`,
    reuseExistingServer: false,
  },
});
