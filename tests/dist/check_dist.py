#!/usr/bin/env python3
"""The installed widget as a distribution sees it.

  check_dist.py install SOURCE BUILD   installs into a temporary DESTDIR and checks the tree:
                                       exactly the expected files, each valid for the desktop's
                                       own tools (desktop-file-validate, appstreamcli, man)
  check_dist.py package SOURCE BUILD   packs the build with cpack into a temporary folder and
                                       checks the .deb: name, fields, contents, and lintian

Neither builds anything: they take the build as it is. A missing tool skips the check (exit
77) with a message naming it; CI installs every one of them from .ci/packages.txt.
"""

import gzip
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile

APP_ID = "com.marvolt.MiniPelikora"
ICON_SIZES = (16, 22, 24, 32, 48, 64, 128, 256)
SKIP = 77


def expected_files():
    """Every file the install puts under the prefix, relative to it."""
    files = {
        "bin/minipelikora",
        "libexec/minipelikora/minipelikora-fetch",
        f"share/applications/{APP_ID}.desktop",
        f"share/metainfo/{APP_ID}.metainfo.xml",
        "share/man/man1/minipelikora.1.gz",
        "share/doc/minipelikora/copyright",
        "share/doc/minipelikora/changelog.gz",
    }
    files |= {f"share/icons/hicolor/{n}x{n}/apps/{APP_ID}.png" for n in ICON_SIZES}
    return files


class Check:
    def __init__(self):
        self.failures = []
        self.passed = 0

    def expect(self, ok, what):
        if ok:
            self.passed += 1
        else:
            self.failures.append(what)
            print(f"FAIL: {what}")

    def finish(self):
        print(f"{self.passed} passed, {len(self.failures)} failed")
        return 1 if self.failures else 0


def need(*tools):
    missing = [t for t in tools if shutil.which(t) is None]
    if missing:
        print(f"SKIPPED: {', '.join(missing)} not installed "
              "(the packages are listed in .ci/packages.txt)")
        sys.exit(SKIP)


def run(args, **kw):
    kw.setdefault("timeout", 120)
    return subprocess.run(args, capture_output=True, text=True, **kw)


# The build's own cmake and cpack, when the test names them.
CMAKE = os.environ.get("MP_CMAKE", "cmake")
CPACK = os.environ.get("MP_CPACK", "cpack")


def product_version(source):
    with open(os.path.join(source, "resources", "version.txt"), encoding="utf-8") as f:
        for line in f:
            if line.startswith("ProductVersion\t"):
                return line.split("\t", 1)[1].strip()
    raise SystemExit("resources/version.txt has no ProductVersion")


def png_size(path):
    with open(path, "rb") as f:
        head = f.read(24)
    if head[:8] != b"\x89PNG\r\n\x1a\n" or head[12:16] != b"IHDR":
        return None
    return struct.unpack(">II", head[16:24])


def tree(root):
    """Files and symbolic links under root, relative to it."""
    found = set()
    for folder, _, names in os.walk(root):
        for name in names:
            found.add(os.path.relpath(os.path.join(folder, name), root))
    return found


def desktop_values(path):
    values = {}
    with open(path, encoding="utf-8") as f:
        for line in f:
            if "=" in line and not line.startswith("#"):
                key, value = line.rstrip("\n").split("=", 1)
                values[key] = value
    return values


def check_metainfo(c, path, version):
    if not os.path.exists(path):
        c.expect(False, f"{path} exists")
        return
    r = run(["appstreamcli", "validate", "--no-net", "--explain", path])
    print(r.stdout + r.stderr)
    c.expect(r.returncode == 0, f"appstreamcli validate --no-net {os.path.basename(path)}")
    with open(path, encoding="utf-8") as f:
        text = f.read()
    c.expect(f"<id>{APP_ID}</id>" in text, "the metainfo's id is the desktop entry's")
    c.expect(f'<launchable type="desktop-id">{APP_ID}.desktop</launchable>' in text,
             "the metainfo launches the installed desktop entry")
    releases = re.findall(r'<release version="([^"]+)"', text)
    c.expect(releases[:1] == [version],
             f"the newest release is the version resource's {version}, not {releases[:1]}")
    c.expect('<content_rating type="oars-1.1"' in text, "an OARS content rating")
    c.expect('xml:lang="tr"' in text, "Turkish texts")


def check_install(source, build):
    need("desktop-file-validate", "appstreamcli", "man", "groff")
    c = Check()
    version = product_version(source)
    with tempfile.TemporaryDirectory(prefix="mp-install-") as dest:
        env = dict(os.environ, DESTDIR=dest)
        r = run([CMAKE, "--install", build, "--prefix", "/usr"], env=env)
        print(r.stdout + r.stderr)
        c.expect(r.returncode == 0, "cmake --install succeeds")
        # Nothing outside the prefix, and nothing but the widget's own files inside it.
        everything = tree(dest)
        outside = sorted(p for p in everything if not p.startswith("usr/"))
        c.expect(not outside, f"nothing written outside the prefix: {outside}")
        installed = {p[len("usr/"):] for p in everything if p.startswith("usr/")}
        c.expect(installed == expected_files(),
                 f"the installed files: missing {sorted(expected_files() - installed)}, "
                 f"unexpected {sorted(installed - expected_files())}")
        usr = os.path.join(dest, "usr")

        exe = os.path.join(usr, "bin", "minipelikora")
        c.expect(os.access(exe, os.X_OK), "the executable is executable")
        # Without a display it says so and ends with 1, having written nothing.
        home = os.path.join(dest, "home")
        os.mkdir(home)
        runtime = os.path.join(dest, "run")
        os.mkdir(runtime, 0o700)
        env = {"PATH": "/usr/bin:/bin", "HOME": home, "XDG_RUNTIME_DIR": runtime}
        for passed in ("ASAN_OPTIONS", "LSAN_OPTIONS", "UBSAN_OPTIONS"):
            if passed in os.environ:
                env[passed] = os.environ[passed]
        r = run([exe], env=env)
        c.expect(r.returncode == 1 and "cannot open the X display" in r.stderr,
                 f"the installed program starts and reports the missing display: "
                 f"{r.returncode} {r.stderr!r}")
        c.expect(os.listdir(home) == [], "nothing written into the home without a display")

        for n in ICON_SIZES:
            icon = os.path.join(usr, f"share/icons/hicolor/{n}x{n}/apps/{APP_ID}.png")
            if os.path.exists(icon):
                c.expect(png_size(icon) == (n, n), f"the {n}x{n} icon is a PNG of that size")

        entry = os.path.join(usr, f"share/applications/{APP_ID}.desktop")
        r = run(["desktop-file-validate", entry])
        print(r.stdout + r.stderr)
        c.expect(r.returncode == 0 and not (r.stdout + r.stderr).strip(),
                 "desktop-file-validate accepts the entry without a word")
        values = desktop_values(entry)
        c.expect(values.get("Name") == "Mini Pelikora", "the entry's name")
        c.expect(values.get("Icon") == APP_ID, "the entry's icon is the installed icon")
        c.expect(os.path.basename(values.get("Exec", "")) in os.listdir(os.path.join(usr, "bin")),
                 "the entry starts the installed executable")
        c.expect(values.get("StartupNotify") == "false", "StartupNotify=false")
        c.expect({"Network", "News"} <= set(values.get("Categories", "").split(";")),
                 "the entry is filed under news")
        c.expect("Comment[tr]" in values and "GenericName[tr]" in values,
                 "Turkish comment and generic name")

        metainfo = os.path.join(usr, f"share/metainfo/{APP_ID}.metainfo.xml")
        check_metainfo(c, metainfo, version)
        # The same metadata with screenshots, as a build that names their web folder writes it.
        shots = os.path.join(dest, f"{APP_ID}.metainfo.xml")
        r = run([CMAKE, f"-DIN={source}/dist/{APP_ID}.metainfo.xml.in", f"-DOUT={shots}",
                 "-DSCREENSHOTS=https://pictures.invalid/docs/", "-P",
                 f"{source}/dist/metainfo.cmake"])
        c.expect(r.returncode == 0, f"the metadata with screenshots is written: {r.stderr}")
        check_metainfo(c, shots, version)
        with open(shots, encoding="utf-8") as f:
            pictures = re.findall(r"<image>([^<]+)</image>", f.read())
        readme_pictures = sorted(
            p for p in os.listdir(os.path.join(source, "docs")) if p.endswith(".png"))
        c.expect(sorted(os.path.basename(p) for p in pictures) == readme_pictures,
                 f"the screenshots are the README's pictures: {pictures}")
        c.expect(all(p.startswith("https://pictures.invalid/docs/") and "//" not in p[8:]
                     for p in pictures), f"the screenshots' addresses: {pictures}")

        page = os.path.join(usr, "share/man/man1/minipelikora.1.gz")
        with gzip.open(page, "rt", encoding="utf-8") as f:
            source_text = f.read()
        r = run(["groff", "-ww", "-z", "-man"], input=source_text)
        c.expect(r.returncode == 0 and not r.stderr.strip(),
                 f"groff -ww -z -man has no warning: {r.stderr}")
        env = {k: v for k, v in os.environ.items() if k != "MAN_KEEP_FORMATTING"}
        r = run(["man", "--warnings", "-E", "UTF-8", "-l", page], env=dict(env, MANWIDTH="80"))
        c.expect(r.returncode == 0 and not r.stderr.strip(), f"man -l renders cleanly: {r.stderr}")
        for heading in ("NAME", "SYNOPSIS", "DESCRIPTION", "OPTIONS", "CONFIGURATION", "FILES",
                        "SIGNALS", "EXIT STATUS", "ENVIRONMENT"):
            c.expect(re.search(rf"^{heading}$", r.stdout, re.M) is not None,
                     f"the manual page has {heading}")
        for word in ("options.ini", "news.xml", "[server]", "SIGTERM", "XDG_DATA_HOME",
                     "DISPLAY", "TryExec"):
            c.expect(word in r.stdout, f"the manual page mentions {word}")

        with gzip.open(os.path.join(usr, "share/doc/minipelikora/changelog.gz"), "rt") as f:
            first = f.readline()
        c.expect(first.startswith(f"minipelikora ({version})"),
                 f"the changelog's newest entry is {version}: {first!r}")
    return c.finish()


def check_package(source, build):
    need(CPACK, "dpkg-deb", "dpkg-shlibdeps", "lintian", "readelf")
    c = Check()
    version = product_version(source)
    arch = run(["dpkg", "--print-architecture"]).stdout.strip()
    with tempfile.TemporaryDirectory(prefix="mp-package-") as out:
        r = run([CPACK, "--config", os.path.join(build, "CPackConfig.cmake"), "-B", out])
        print(r.stdout + r.stderr)
        c.expect(r.returncode == 0, "cpack succeeds")
        debs = [p for p in os.listdir(out) if p.endswith(".deb")]
        name = f"minipelikora_{version}_{arch}.deb"
        c.expect(debs == [name], f"one package named {name}: {debs}")
        if debs != [name]:
            return c.finish()
        deb = os.path.join(out, name)

        fields = {}
        for key in ("Package", "Version", "Architecture", "Depends", "Recommends", "Section",
                    "Priority", "Maintainer", "Description"):
            fields[key] = run(["dpkg-deb", "-f", deb, key]).stdout.strip()
        print("\n".join(f"{k}: {v}" for k, v in fields.items()))
        c.expect(fields["Package"] == "minipelikora", "the package's name")
        c.expect(fields["Version"] == version, "the package's version is the version resource's")
        depends = {d.strip().split(" ")[0] for d in fields["Depends"].split(",")}
        for dep in ("fonts-paratype", "fonts-roboto-unhinted", "libc6", "libcairo2", "libcurl4",
                    "libpugixml1v5", "libx11-6"):
            c.expect(dep in depends, f"depends on {dep}")
        c.expect(re.match(r"^[^<>]+ <[^@\s]+@[^>\s]+>$", fields["Maintainer"]) is not None,
                 "a maintainer with an address")
        c.expect(fields["Section"] != "" and fields["Priority"] == "optional",
                 "a section and a priority")
        c.expect("son dakika" in fields["Description"] and "breaking-news" in fields["Description"],
                 "a Turkish and an English description")

        contents = run(["dpkg-deb", "-c", deb]).stdout.splitlines()
        files = {line.split()[-1].lstrip("./") for line in contents if not line.startswith("d")}
        c.expect(files == {"usr/" + f for f in expected_files()},
                 f"the package holds the installed files: {sorted(files)}")
        c.expect(all(" root/root " in line for line in contents), "every file belongs to root")

        unpacked = os.path.join(out, "root")
        run(["dpkg-deb", "-x", deb, unpacked])
        sections = run(["readelf", "-S", "-W", os.path.join(unpacked, "usr/bin/minipelikora")])
        c.expect(sections.returncode == 0 and ".debug_" not in sections.stdout
                 and ".symtab" not in sections.stdout, "the executable is stripped")

        r = run(["lintian", "--allow-root", "--info", "--display-info", deb], timeout=300)
        report = r.stdout + r.stderr
        print("lintian:\n" + report)
        errors = [line for line in report.splitlines() if line.startswith("E:")]
        c.expect(not errors and r.returncode == 0, f"lintian reports no error: {errors}")
        warnings = [line for line in report.splitlines() if line.startswith("W:")]
        c.expect(not warnings, f"lintian reports no warning: {warnings}")
    return c.finish()


def main():
    if len(sys.argv) != 4 or sys.argv[1] not in ("install", "package"):
        print(__doc__)
        return 2
    source, build = os.path.abspath(sys.argv[2]), os.path.abspath(sys.argv[3])
    return check_install(source, build) if sys.argv[1] == "install" else check_package(source, build)


if __name__ == "__main__":
    sys.exit(main())
