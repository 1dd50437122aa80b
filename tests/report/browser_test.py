#!/usr/bin/python3
"""The HTML report of the example pair in a real browser: headless Chromium
driven by Selenium opens it from file://, checks the totals against korvcmp's
compared listing of the same pair, sorts, filters, follows a file link and
moves to the lost items with the keys n and p, also on the page of src/control.c,
edited between the runs; then, with JavaScript off,
checks that every figure is still there. A section too long for one page
is split into parts: addresses and the keys lead across them. Screenshots of
the index, a file page and a part are saved in the build folder.

Usage: browser_test.py KORVCMP_REPORT KORVCMP SOURCE_DIR BUILD_DIR
Run with Debian's own /usr/bin/python3, which has python3-selenium.
"""

import pathlib
import re
import shutil
import subprocess
import sys
import tempfile

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By
from selenium.webdriver.common.keys import Keys
from selenium.webdriver.support.ui import WebDriverWait

CHROMIUM = "/usr/bin/chromium"
CHROMEDRIVER = "/usr/bin/chromedriver"
TER_FIGURES = re.compile(r"(\d+)% \(\s*(\d+)/\s*(\d+)\)")
CHANGE_FIGURES = re.compile(r"\[(-?\d+) \+ (-?\d+) - (-?\d+)\]")


def fail(message):
    print("FAIL: " + message, file=sys.stderr)
    sys.exit(1)


def check(condition, message):
    if not condition:
        fail(message)


def summary_ter(listing_path):
    """The figures of a listing's first summary TER line, as the index shows them."""
    for line in pathlib.Path(listing_path).read_text(errors="replace").splitlines():
        if line.startswith("TER "):
            figures = TER_FIGURES.search(line)
            check(figures is not None, "no figures in " + line)
            _, covered, total = (int(x) for x in figures.groups())
            tenths = (covered * 2000 + total) // (2 * total)
            return "%d.%d%% (%s/%s)" % (tenths // 10, tenths % 10, grouped(covered),
                                        grouped(total))
    fail("no summary TER line in " + str(listing_path))


def grouped(count):
    """A count as the report shows it: "159,336"."""
    return "{:,}".format(count)


def compared_totals(korvcmp, listing1, listing2):
    """korvcmp's [hits in 1 + new - lost] of the whole pair."""
    compared = subprocess.run([korvcmp, "-i1", listing1, "-i2", listing2, "-p", "-"],
                              check=True, capture_output=True, text=True, errors="replace")
    for line in compared.stdout.splitlines():
        if line.startswith("TER "):
            figures = CHANGE_FIGURES.search(line)
            check(figures is not None, "no difference figures in " + line)
            return tuple(int(x) for x in figures.groups())
    fail("korvcmp wrote no summary TER line")


def start_browser(profile, javascript=True):
    options = webdriver.ChromeOptions()
    options.binary_location = CHROMIUM
    for argument in ("--headless", "--no-sandbox", "--disable-gpu", "--disable-quic",
                     "--no-first-run", "--disable-background-networking",
                     "--disable-component-update", "--disable-sync",
                     "--disable-dev-shm-usage", "--window-size=1400,1000",
                     "--user-data-dir=" + str(profile)):
        options.add_argument(argument)
    if not javascript:
        options.add_argument("--blink-settings=scriptEnabled=false")
    return webdriver.Chrome(service=Service(executable_path=CHROMEDRIVER), options=options)


def save_whole_page(browser, path):
    """A screenshot of the whole page (up to a height), then the window as it was."""
    height = browser.execute_script("return document.documentElement.scrollHeight")
    browser.set_window_size(1400, min(height + 120, 4000))
    browser.save_screenshot(str(path))
    browser.set_window_size(1400, 1000)


def cards(browser):
    """The totals of a page: each card's label and its figure."""
    return {card.find_element(By.TAG_NAME, "span").text.strip().lower():
            card.find_element(By.TAG_NAME, "b").text.strip()
            for card in browser.find_elements(By.CSS_SELECTOR, ".card")}


def file_rows(browser):
    """The table of files, row by row as text: directory rows and file rows."""
    return browser.execute_script(
        "return [...document.querySelectorAll('#files tbody tr:not(.sp)')]"
        ".map(r => r.innerText.trim());")


def number(text):
    text = text.replace("\u2212", "-").replace(",", "").strip()
    found = re.match(r"[-+]?\d+", text)
    return int(found.group(0)) if found else None


def check_totals(browser, listing1, listing2, change):
    shown = cards(browser)
    hits1, new, lost = change
    expected = {
        "coverage, run 1": summary_ter(listing1),
        "coverage, run 2": summary_ter(listing2),
        "hits in run 1": grouped(hits1) + " in files compared",
        "new": "+" + grouped(new) if new else "0",
        "lost": "\u2212" + grouped(lost) if lost else "0",
    }
    # The New card may go on to say how many of them are items of files not
    # compared, the Lost card how many items removed files had covered.
    for label, figure in expected.items():
        check(shown.get(label) == figure or
              (label in ("new", "lost") and (shown.get(label) or "").startswith(figure + " (")),
              "totals: %s shows %r, expected %r" % (label, shown.get(label), figure))


def shown_groups(browser):
    """The table of files as shown: each directory row's name with the cells of
    the file rows after it."""
    groups = []
    rows = browser.execute_script(
        "return [...document.querySelectorAll('#files tbody tr:not(.sp)')].map(r =>"
        " r.classList.contains('dir') ? [true, [r.querySelector('th').innerText.trim()]]"
        " : [false, [...r.querySelectorAll('td')].map(c => c.innerText.trim())]);")
    for is_directory, cells in rows:
        if is_directory:
            groups.append((cells[0], []))
        else:
            groups[-1][1].append(cells)
    return groups


def check_sorting(browser):
    headers = browser.find_elements(By.CSS_SELECTOR, "#files thead th")
    names = [th.text.strip() for th in headers]
    lost_column = names.index("Lost")
    headers[lost_column].find_element(By.TAG_NAME, "button").click()
    check(headers[lost_column].get_attribute("aria-sort") == "descending",
          "a click on Lost does not sort it descending")
    for _, rows in shown_groups(browser):
        lost = [number(cells[lost_column]) for cells in rows]
        check(lost == sorted(lost, reverse=True), "files not sorted by lost: %r" % lost)
    headers[0].find_element(By.TAG_NAME, "button").click()
    check(headers[0].get_attribute("aria-sort") == "ascending",
          "a click on File does not sort it ascending")
    directories = [name for name, _ in shown_groups(browser)]
    check(directories == sorted(directories, key=str.lower), "directories not sorted by name")
    for _, rows in shown_groups(browser):
        files = [cells[0].lower() for cells in rows]
        check(files == sorted(files), "files not sorted by name: %r" % files)


# The rows of files shown, read in one step: the table puts rows in and
# takes them out as it likes, so a row found in one call may be gone the next.
SHOWN_FILE_ROWS = (
    "return [...document.querySelectorAll('#files tbody tr:not(.dir):not(.sp)')]"
    ".filter(r => r.getClientRects().length > 0 && getComputedStyle(r).visibility !== 'hidden')"
    ".map(r => [r.querySelector('td').innerText.trim(), r.classList.contains('ll')]);")


def visible_file_names(browser):
    return [name for name, _ in browser.execute_script(SHOWN_FILE_ROWS)]


def check_filtering(browser):
    every = visible_file_names(browser)
    box = browser.find_element(By.ID, "filter")
    box.send_keys("main")
    WebDriverWait(browser, 5).until(lambda b: len(visible_file_names(b)) < len(every))
    narrowed = visible_file_names(browser)
    check(narrowed and all("main" in name.lower() for name in narrowed),
          "the filter shows %r" % narrowed)
    box.send_keys(Keys.CONTROL, "a")
    box.send_keys(Keys.BACKSPACE)
    WebDriverWait(browser, 5).until(lambda b: len(visible_file_names(b)) == len(every))
    switch = browser.find_element(By.ID, "onlylost")
    switch.click()
    WebDriverWait(browser, 5).until(lambda b: len(visible_file_names(b)) < len(every))
    for name, lost_coverage in browser.execute_script(SHOWN_FILE_ROWS):
        check(lost_coverage, "the lost-coverage switch shows " + name)
    switch.click()
    WebDriverWait(browser, 5).until(lambda b: len(visible_file_names(b)) == len(every))


def lost_item_in_view(browser, number_):
    return browser.execute_script(
        "var e = document.activeElement;"
        "if (!e || e.id !== 'lost' + arguments[0] || !e.classList.contains('lost')) return false;"
        "var r = e.getBoundingClientRect();"
        "return r.top >= 0 && r.bottom <= window.innerHeight"
        "  && e.closest('tr').classList.contains('cur');", number_)


def check_file_page(browser, build_dir):
    link = browser.find_element(By.CSS_SELECTOR, "#files tr.ll a")
    name = link.text
    link.click()
    WebDriverWait(browser, 5).until(lambda b: b.find_elements(By.CSS_SELECTOR, "table.pl"))
    heading = browser.find_element(By.TAG_NAME, "h1").text
    check(heading.endswith(name), "the link to %s opened %s" % (name, heading))
    lost_items = browser.find_elements(By.CSS_SELECTOR, ".lost")
    check(lost_items, "no lost items on the page of " + heading)
    body = browser.find_element(By.TAG_NAME, "body")
    body.send_keys("n")
    WebDriverWait(browser, 5).until(lambda b: lost_item_in_view(b, 1))
    if len(lost_items) > 1:
        body.send_keys("n")
        WebDriverWait(browser, 5).until(lambda b: lost_item_in_view(b, 2))
        browser.switch_to.active_element.send_keys("p")
        WebDriverWait(browser, 5).until(lambda b: lost_item_in_view(b, 1))
    browser.save_screenshot(str(pathlib.Path(build_dir) / "report-file.png"))
    return browser.current_url


def long_function(text, copies):
    """The listing with the profile lines of parse_args() repeated `copies`
    times, their source lines moved on by 25 each time."""
    lines = text.split("\n")
    start = next(i for i, line in enumerate(lines) if line.endswith("FUNCTION parse_args()"))
    end = next(i for i in range(start, len(lines)) if not lines[i].strip())
    body = []
    for copy in range(copies):
        for line in lines[start + 1:end]:
            number = int(line[23:29]) + copy * 25
            body.append(line[:23] + str(number).rjust(6) + line[29:])
    return "\n".join(lines[:start + 1] + body + lines[end:])


def part_ranges(browser, kind):
    """Each part's page and its range of source lines or lost items."""
    ranges = []
    for part in browser.find_elements(By.CSS_SELECTOR, "nav.parts [data-part]"):
        first, last = (int(x) for x in part.get_attribute("data-" + kind).split("-"))
        ranges.append((part.get_attribute("data-part"), first, last))
    return ranges


def check_split_page(report_binary, source_dir, build_dir, work):
    """A section of 10,400 rows is written as parts: an address of another
    part leads there, and n goes on from the last lost item of a part to
    the first of the next."""
    for name in ("run1", "run2"):
        text = (pathlib.Path(source_dir) / "examples" / (name + ".lst")).read_text()
        (work / (name + "-long.lst")).write_text(long_function(text, 800))
    report = work / "long-report"
    subprocess.run([report_binary, "-i1", str(work / "run1-long.lst"), "-i2",
                    str(work / "run2-long.lst"), "--html", str(report)], check=True)
    first_part = report / "files" / "3-src_main.c.html"
    browser = start_browser(work / "profile-long")
    try:
        browser.get(first_part.resolve().as_uri())
        WebDriverWait(browser, 30).until(lambda b: b.find_elements(By.CSS_SELECTOR, "nav.parts"))
        lost = part_ranges(browser, "lost")
        lines = part_ranges(browser, "lines")
        check(len(lost) >= 3, "the long section is not split: %r" % lost)
        # n past the last lost item of part 1.
        browser.get(first_part.resolve().as_uri() + "#lost%d" % lost[0][2])
        WebDriverWait(browser, 30).until(lambda b: lost_item_in_view(b, lost[0][2]))
        browser.switch_to.active_element.send_keys("n")
        WebDriverWait(browser, 30).until(lambda b: b.current_url.split("#")[0].endswith(lost[1][0]))
        WebDriverWait(browser, 30).until(lambda b: lost_item_in_view(b, lost[1][1]))
        # p back from the first lost item of part 2.
        browser.switch_to.active_element.send_keys("p")
        WebDriverWait(browser, 30).until(lambda b: lost_item_in_view(b, lost[0][2]))
        # A source line of the last part, asked of the first.
        line = lines[-1][2]
        browser.get(first_part.resolve().as_uri() + "#L%d" % line)
        WebDriverWait(browser, 30).until(
            lambda b: b.execute_script("return !!document.getElementById('L%d')" % line))
        check(browser.current_url.split("#")[0].endswith(lines[-1][0]),
              "#L%d led to %s" % (line, browser.current_url))
        browser.save_screenshot(str(pathlib.Path(build_dir) / "report-part.png"))
    finally:
        browser.quit()


def check_edited_page(browser, index_url, build_dir):
    """src/control.c, edited between the runs: its page shows its lines aligned
    with listing 1's, and n reaches its lost FALSE outcome on line 44."""
    browser.get(index_url)
    link = browser.find_element(By.XPATH,
                                "//table[@id='files']//a[normalize-space()='control.c']")
    link.click()
    WebDriverWait(browser, 5).until(lambda b: b.find_elements(By.CSS_SELECTOR, "table.pl"))
    status = browser.find_element(By.CSS_SELECTOR, ".st").text
    check(status == "edited", "src/control.c's status is " + repr(status))
    added = browser.find_elements(By.CSS_SELECTOR, "table.pl tr.added")
    check(added, "no added rows on src/control.c's page")
    for row in added:
        check("added" in row.text.split(), "an added row does not say so: " + row.text)
    browser.find_element(By.TAG_NAME, "body").send_keys("n")
    WebDriverWait(browser, 5).until(lambda b: lost_item_in_view(b, 1))
    row = browser.switch_to.active_element.find_element(By.XPATH, "./ancestor::tr")
    cells = row.find_elements(By.TAG_NAME, "td")
    check(cells[0].text == "44" and "out = (pid > 0) ? pid : 0" in row.text,
          "the first lost item of src/control.c is in the row " + row.text)
    browser.save_screenshot(str(pathlib.Path(build_dir) / "report-edited.png"))


def main():
    if len(sys.argv) != 5:
        fail(__doc__)
    report_binary, korvcmp, source_dir, build_dir = sys.argv[1:]
    listing1 = str(pathlib.Path(source_dir) / "examples" / "run1.lst")
    listing2 = str(pathlib.Path(source_dir) / "examples" / "run2.lst")
    work = pathlib.Path(tempfile.mkdtemp(prefix="korvcmp-browser-"))
    try:
        report = work / "report"
        # The listings named as a CI job names them, relative to the checkout.
        subprocess.run([report_binary, "-i1", "examples/run1.lst", "-i2", "examples/run2.lst",
                        "--html", str(report), "--title", "thermoctl: nightly run -> self-test"],
                       check=True, cwd=source_dir)
        index_url = (report / "index.html").resolve().as_uri()
        change = compared_totals(korvcmp, listing1, listing2)

        browser = start_browser(work / "profile")
        try:
            browser.get(index_url)
            WebDriverWait(browser, 5).until(
                lambda b: b.find_element(By.ID, "tools").is_displayed())
            check_totals(browser, listing1, listing2, change)
            rows_with_script = sorted(file_rows(browser))
            save_whole_page(browser, pathlib.Path(build_dir) / "report-index.png")
            check_sorting(browser)
            check_filtering(browser)
            file_url = check_file_page(browser, build_dir)
            check_edited_page(browser, index_url, build_dir)
            browser.get(file_url.split("#")[0])
            file_cells_with_script = browser.find_element(By.CSS_SELECTOR, "table.pl").text
        finally:
            browser.quit()

        browser = start_browser(work / "profile-no-script", javascript=False)
        try:
            browser.get(index_url)
            check(not browser.find_element(By.ID, "tools").is_displayed(),
                  "the script ran although JavaScript is off")
            check_totals(browser, listing1, listing2, change)
            check(sorted(file_rows(browser)) == rows_with_script,
                  "without JavaScript the table of files differs")
            browser.get(file_url.split("#")[0])
            check(browser.find_element(By.CSS_SELECTOR, "table.pl").text ==
                  file_cells_with_script, "without JavaScript the profile lines differ")
        finally:
            browser.quit()
        check_split_page(report_binary, source_dir, build_dir, work)
    finally:
        shutil.rmtree(work, ignore_errors=True)
    print("browser test passed")


if __name__ == "__main__":
    main()
