"""Headless Chromium driven through selenium, as a phone or tablet user
opens the remote page: a private profile, no network but the program's."""

import time
from pathlib import Path

from harness import Failure, wait_for

FLAGS = ["--headless=new", "--no-sandbox", "--disable-gpu", "--disable-background-networking",
         "--disable-component-update", "--disable-sync", "--no-first-run", "--disable-quic",
         "--disable-extensions", "--disable-dev-shm-usage"]


class Page:
    """One browser showing the remote page at a device's size."""

    def __init__(self, url, workdir, name, width, height, mobile=True):
        from selenium import webdriver
        from selenium.webdriver.chrome.service import Service

        options = webdriver.ChromeOptions()
        options.binary_location = "/usr/bin/chromium"
        profile = Path(workdir) / f"chromium-{name}"
        for flag in FLAGS + [f"--user-data-dir={profile}", f"--window-size={width},{height}"]:
            options.add_argument(flag)
        self.driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
        self.driver.execute_cdp_cmd("Emulation.setDeviceMetricsOverride",
                                    {"width": width, "height": height, "deviceScaleFactor": 1, "mobile": mobile})
        self.driver.get(url)

    def script(self, code, *args):
        return self.driver.execute_script(code, *args)

    def value(self, param):
        """The value a page's control for param holds (its data-value), or None when not shown."""
        return self.script("const e = document.querySelector(`[data-param=\"${arguments[0]}\"]`);"
                           "return e ? e.dataset.value : null;", param)

    def wait_value(self, param, wanted, timeout=5):
        return wait_for(f"the page to show {param} = {wanted!r} (it shows {self.value(param)!r})",
                        lambda: self.value(param) == wanted, timeout, 0.05)

    def link_text(self):
        return self.script("return document.getElementById('link').textContent;")

    def wait_link(self, text, timeout=10):
        wait_for(f"the page to say {text!r} (it says {self.link_text()!r})", lambda: text in self.link_text(), timeout)

    def element(self, selector):
        from selenium.webdriver.common.by import By
        found = self.driver.find_elements(By.CSS_SELECTOR, selector)
        if not found:
            raise Failure(f"no {selector} on the page")
        self.script("arguments[0].scrollIntoView({block: 'center'});", found[0])
        return found[0]

    def tap(self, selector):
        self.element(selector).click()

    def slide(self, param, fraction):
        """Moves the slider of param to fraction of its width, by pointing and clicking on it."""
        from selenium.webdriver.common.action_chains import ActionChains
        slider = self.element(f'input[type=range][data-param="{param}"]')
        width = slider.size["width"]
        ActionChains(self.driver).move_to_element_with_offset(slider, int((fraction - 0.5) * (width - 16)), 0) \
            .click().perform()

    def press(self, param, key):
        """A key on the slider of param, e.g. "END" for its top (selenium's Keys names)."""
        from selenium.webdriver.common.keys import Keys
        self.element(f'input[type=range][data-param="{param}"]').send_keys(getattr(Keys, key))

    def screenshot(self, path):
        self.script("window.scrollTo(0, 0);")
        time.sleep(0.2)
        self.driver.save_screenshot(str(path))
        return path

    def close(self):
        self.driver.quit()
