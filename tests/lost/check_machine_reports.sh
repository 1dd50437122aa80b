#!/bin/sh
# korvcmp-lost's machine-read reports as their readers take them: the SARIF
# log and the GitLab Code Quality report of the example pair's compared
# listing, of a copy whose files have awkward names (blanks, a drive, an
# absolute path, letters beyond ASCII), and of both with a limit. Node.js
# parses each and checks the fields GitLab requires and that fingerprints
# are unique; with SARIF_MULTITOOL naming the SARIF Multitool, every log is
# also validated with GitHub's ingestion rules, and any error fails.
#   check_machine_reports.sh KORVCMP_LOST COMPARED_LISTING WORK_DIRECTORY
set -eu
lost=$1
listing=$2
work=$3
mkdir -p "$work"
sed -e 's|^MONITORED SOURCE FILE : src/main.c|MONITORED SOURCE FILE : C:\\w x\\m\xc3\xa4in.c|' \
    -e 's|^MONITORED SOURCE FILE : src/sensor.c|MONITORED SOURCE FILE : /abs/src/sensor 1.c|' \
    "$listing" > "$work/awkward.lst"

reports=""
for input in "$listing" "$work/awkward.lst"; do
  for limit in 0 3; do
    for format in sarif codequality; do
      report="$work/$(basename "$input" .lst).limit$limit.$format"
      status=0
      "$lost" --new --format "$format" --limit "$limit" "$input" > "$report" 2>/dev/null || status=$?
      if [ "$status" -ne 1 ]; then
        echo "korvcmp-lost --format $format --limit $limit $input: status $status, not 1" >&2
        exit 1
      fi
      reports="$reports $report"
    done
  done
done

# shellcheck disable=SC2086
node - $reports <<'SCRIPT'
const fs = require('fs');
const severities = ['info', 'minor', 'major', 'critical', 'blocker'];
let failed = false;
const fail = (file, what) => { console.error(`${file}: ${what}`); failed = true; };
for (const file of process.argv.slice(2)) {
  const bytes = fs.readFileSync(file);
  if (bytes[0] === 0xef) fail(file, 'begins with a byte-order mark');
  const report = JSON.parse(bytes.toString('utf8'));
  const fingerprints = new Set();
  if (file.endsWith('.codequality')) {
    if (!Array.isArray(report)) fail(file, 'not an array');
    for (const issue of report) {
      for (const field of ['description', 'check_name', 'fingerprint']) {
        if (typeof issue[field] !== 'string' || issue[field] === '') fail(file, `no ${field}`);
      }
      if (!severities.includes(issue.severity)) fail(file, `severity ${issue.severity}`);
      if (typeof issue.location?.path !== 'string') fail(file, 'no location.path');
      if (!Number.isInteger(issue.location?.lines?.begin) || issue.location.lines.begin < 1)
        fail(file, 'no location.lines.begin');
      if (fingerprints.has(issue.fingerprint)) fail(file, `fingerprint ${issue.fingerprint} twice`);
      fingerprints.add(issue.fingerprint);
    }
  } else {
    const run = report.runs[0];
    if (report.version !== '2.1.0' || run.tool.driver.rules.length !== 3) fail(file, 'no log');
    for (const result of run.results) {
      const key = result.partialFingerprints['korvcmpFinding/v1'];
      if (fingerprints.has(key)) fail(file, `fingerprint ${key} twice`);
      fingerprints.add(key);
    }
  }
}
process.exit(failed ? 1 : 0);
SCRIPT

if [ -n "${SARIF_MULTITOOL:-}" ]; then
  for report in $reports; do
    case $report in *.sarif) ;; *) continue ;; esac
    # The Multitool wants the .sarif extension and ends with status 0 on errors.
    if "$SARIF_MULTITOOL" validate --rule-kind "Gh;Sarif" "$report" > "$report.validation" 2>&1 &&
       ! grep -q ': error ' "$report.validation"; then
      :
    else
      echo "SARIF Multitool errors in $report:" >&2
      cat "$report.validation" >&2
      exit 1
    fi
  done
fi
echo "machine-read reports: all well"
