#!/usr/bin/env python3
"""Hostile projects and documents against "tavrel --build", run as a throwaway unprivileged user.

Started by run_hostile.sh as root. Every case gets its own tree under one temporary folder owned
by the throwaway user: a fake home (with .bashrc, a private picture and a secret file), the project
under attack, a sibling project, a working directory and the user's temporary folder with a planted
file. The build runs as that user, so a guard that fails can only touch that tree. Afterwards each
case checks what must hold (decoys intact byte for byte, nothing written outside the output
paths, the exit status, the message, nothing private inside the outputs, no process and no
working file left) and prints one PASS or FAIL line; the last line is "N passed, N failed".
"""
import grp
import hashlib
import http.server
import os
import pwd
import re
import resource
import shutil
import signal
import socketserver
import stat
import subprocess
import sys
import tempfile
import threading
import time
import zipfile

USER = "tavrel-hostile"
PROGRAM = os.path.abspath(sys.argv[1])
PATTERN = re.compile(sys.argv[2] if len(sys.argv) > 2 and sys.argv[2] else ".")
SOURCE_DATA = os.path.join(os.path.dirname(PROGRAM), "data")
SAMPLE_PROJECT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "data", "sample", "sample.tvp")
BUILD_TIMEOUT = 240

# --- The throwaway user and its tree -----------------------------------------------------------


def ensure_user(home):
    try:
        pw = pwd.getpwnam(USER)
    except KeyError:
        args = ["useradd", "--system", "--no-create-home", "--home-dir", home, "--shell", "/usr/sbin/nologin"]
        try:
            grp.getgrnam(USER)
            args += ["-g", USER]
        except KeyError:
            args += ["--user-group"]
        subprocess.run(args + [USER], check=True)
        pw = pwd.getpwnam(USER)
    if pw.pw_uid == 0 or pw.pw_gid == 0:
        sys.exit("run_hostile: the user %s is privileged; refusing to run" % USER)
    return pw.pw_uid, pw.pw_gid


ROOT = tempfile.mkdtemp(prefix="tavrel-hostile.", dir="/tmp")
UID, GID = ensure_user(os.path.join(ROOT, "home"))
os.chown(ROOT, UID, GID)
os.chmod(ROOT, 0o700)


def chown_tree(path):
    os.lchown(path, UID, GID)
    for base, dirs, files in os.walk(path):
        for n in dirs + files:
            os.lchown(os.path.join(base, n), UID, GID)


def write(path, data, mode=0o644):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data if isinstance(data, bytes) else data.encode("utf-8"))
    os.chmod(path, mode)


# The program and its data are copied into the tree: the user may not be able to reach the build
# folder, and nothing of the checkout is then within its reach either.
APP = os.path.join(ROOT, "app")
os.makedirs(APP)
shutil.copy2(PROGRAM, os.path.join(APP, "tavrel"))
shutil.copytree(SOURCE_DATA, os.path.join(APP, "data"), symlinks=False)
os.chmod(APP, 0o755)
TAVREL = os.path.join(APP, "tavrel")

SANITIZED = b"libasan" in subprocess.run(["ldd", PROGRAM], capture_output=True).stdout


def png(tag):
    """A small valid PNG whose bytes are unique to tag (a text chunk carries it)."""
    import struct
    import zlib

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)

    raw = b"\x00\xff\x00\x00"
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", 1, 1, 8, 2, 0, 0, 0)) +
            chunk(b"tEXt", b"Comment\x00" + tag.encode()) + chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b""))


# --- Documents ----------------------------------------------------------------------------------

NS = ('xmlns:w="http://schemas.openxmlformats.org/wordprocessingml/2006/main" '
      'xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships" '
      'xmlns:wp="http://schemas.openxmlformats.org/drawingml/2006/wordprocessingDrawing" '
      'xmlns:a="http://schemas.openxmlformats.org/drawingml/2006/main" '
      'xmlns:pic="http://schemas.openxmlformats.org/drawingml/2006/picture"')
REL = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/"
STYLES = "".join(
    '<w:style w:type="paragraph" w:styleId="Heading%d"><w:name w:val="heading %d"/><w:basedOn w:val="Normal"/>'
    '<w:pPr><w:outlineLvl w:val="%d"/></w:pPr></w:style>' % (i, i, i - 1) for i in (1, 2, 3))
STYLES = ('<w:style w:type="paragraph" w:default="1" w:styleId="Normal"><w:name w:val="Normal"/></w:style>' + STYLES +
          '<w:style w:type="character" w:styleId="Hyperlink"><w:name w:val="Hyperlink"/></w:style>')


def H(text, level=1):
    return '<w:p><w:pPr><w:pStyle w:val="Heading%d"/></w:pPr><w:r><w:t xml:space="preserve">%s</w:t></w:r></w:p>' % (level, text)


def P(text):
    return '<w:p><w:r><w:t xml:space="preserve">%s</w:t></w:r></w:p>' % text


def link(rid, text):
    return ('<w:p><w:hyperlink r:id="%s"><w:r><w:rPr><w:rStyle w:val="Hyperlink"/></w:rPr>'
            '<w:t xml:space="preserve">%s</w:t></w:r></w:hyperlink></w:p>' % (rid, text))


def picture(rid, n):
    return ('<w:p><w:r><w:drawing><wp:inline><wp:extent cx="95250" cy="95250"/><wp:docPr id="%d" name="p%d" descr="picture %d"/>'
            '<a:graphic><a:graphicData uri="http://schemas.openxmlformats.org/drawingml/2006/picture"><pic:pic><pic:blipFill>'
            '<a:blip r:link="%s"/></pic:blipFill></pic:pic></a:graphicData></a:graphic></wp:inline></w:drawing></w:r></w:p>'
            % (n, n, n, rid))


def field(code):
    return ('<w:p><w:r><w:fldChar w:fldCharType="begin"/></w:r><w:r><w:instrText xml:space="preserve">%s</w:instrText></w:r>'
            '<w:r><w:fldChar w:fldCharType="end"/></w:r></w:p>' % code)


def xml_attr(s):
    return s.replace("&", "&amp;").replace('"', "&quot;").replace("<", "&lt;")


def docx(path, body, rels=()):
    """rels: (id, type, target, external)."""
    ct = ('<?xml version="1.0" encoding="UTF-8"?><Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">'
          '<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>'
          '<Default Extension="xml" ContentType="application/xml"/><Default Extension="png" ContentType="image/png"/>'
          '<Override PartName="/word/document.xml" ContentType="application/vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml"/></Types>')
    top = ('<?xml version="1.0" encoding="UTF-8"?><Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">'
           '<Relationship Id="rId1" Type="%sofficeDocument" Target="word/document.xml"/></Relationships>' % REL)
    r = ('<?xml version="1.0" encoding="UTF-8"?><Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">'
         '<Relationship Id="rStyles" Type="%sstyles" Target="styles.xml"/>' % REL)
    for rid, kind, target, external in rels:
        r += '<Relationship Id="%s" Type="%s%s" Target="%s"%s/>' % (
            rid, REL, kind, xml_attr(target), ' TargetMode="External"' if external else "")
    r += "</Relationships>"
    doc = '<?xml version="1.0" encoding="UTF-8" standalone="yes"?><w:document %s><w:body>%s</w:body></w:document>' % (NS, body)
    styles = '<?xml version="1.0" encoding="UTF-8"?><w:styles %s>%s</w:styles>' % (NS, STYLES)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as z:
        z.writestr("[Content_Types].xml", ct)
        z.writestr("_rels/.rels", top)
        z.writestr("word/document.xml", doc)
        z.writestr("word/styles.xml", styles)
        z.writestr("word/_rels/document.xml.rels", r)


PLAIN_BODY = H("Introduction") + P("The first topic.") + H("Details", 2) + P("The second topic.") + H("Closing") + P("The end.")

# --- Projects -----------------------------------------------------------------------------------


def read_ini(path):
    raw = open(path, "rb").read()
    text = raw.decode("utf-16") if raw[:2] in (b"\xff\xfe", b"\xfe\xff") else raw.decode("utf-8-sig")
    sections, order = {}, []
    current = None
    for line in text.splitlines():
        m = re.match(r"^\[(.*)\]$", line.strip())
        if m:
            current = m.group(1)
            if current not in sections:
                sections[current] = []
                order.append(current)
            continue
        if current is not None and "=" in line:
            k, v = line.split("=", 1)
            sections[current].append([k, v])
    return sections, order


def write_project(path, settings, chm_settings=None):
    """The sample project with its keys replaced; values are written as given (NUL included)."""
    sections, order = read_ini(SAMPLE_PROJECT)
    for name, changes in (("GENERAL", settings), ("CHMSetting", chm_settings or {})):
        entries = sections[name]
        for key, value in changes.items():
            found = False
            for e in entries:
                if e[0] == key:  # every occurrence: a reader may take the first or the last
                    e[1] = value
                    found = True
            if not found:
                entries.append([key, value])
    text = ""
    for name in order:
        text += "[%s]\r\n" % name
        for k, v in sections[name]:
            text += "%s=%s\r\n" % (k, v)
        text += "\r\n"
    write(path, b"\xff\xfe" + text.encode("utf-16-le"))


# --- One case's tree ----------------------------------------------------------------------------


class Tree:
    def __init__(self, name):
        self.root = os.path.join(ROOT, "cases", name)
        r = self.root
        self.home = os.path.join(r, "home")
        self.tmp = os.path.join(r, "tmp")
        self.cwd = os.path.join(r, "cwd")
        self.runtime = os.path.join(r, "runtime")
        self.projects = os.path.join(r, "projects")
        self.project = os.path.join(self.projects, "victim")
        self.sibling = os.path.join(self.projects, "sibling")
        self.elsewhere = os.path.join(r, "elsewhere")
        self.tvp = os.path.join(self.project, "victim.tvp")
        self.doc = os.path.join(self.project, "victim.docx")
        self.chm = os.path.join(self.project, "out", "help.chm")
        self.web = os.path.join(self.project, "web")
        self.pdf = os.path.join(self.project, "out", "help.pdf")
        self.hhp = os.path.join(self.project, "hhp")
        write(os.path.join(self.home, ".bashrc"), "# decoy: the user's shell start-up file\n")
        write(os.path.join(self.home, "secret.txt"), "decoy secret of %s\n" % name)
        write(os.path.join(self.home, "Pictures", "private.png"), png("private picture " + name))
        write(os.path.join(self.home, "Documents", "letter.txt"), "decoy letter\n")
        os.makedirs(os.path.join(self.home, ".config"), exist_ok=True)
        write(os.path.join(self.cwd, "cwd-decoy.txt"), "decoy in the working directory\n")
        os.makedirs(os.path.join(self.cwd, "sub"))
        write(os.path.join(self.tmp, "planted.png"), png("planted in the temporary folder " + name))
        os.makedirs(self.runtime)
        os.chmod(self.runtime, 0o700)
        write(os.path.join(self.project, "notes.txt"), "decoy notes beside the project\n")
        write(os.path.join(self.project, "beside.png"), png("beside the document " + name))
        write(os.path.join(self.project, ".hidden", "hidden.txt"), "decoy below a hidden folder\n")
        write(os.path.join(self.sibling, "sibling.tvp"), "decoy sibling project\n")
        write(os.path.join(self.sibling, "sibling.docx"), "decoy sibling document\n")
        write(os.path.join(self.elsewhere, "keep.txt"), "decoy in a folder a link points to\n")
        os.makedirs(os.path.join(self.elsewhere, "target"))
        write(os.path.join(self.elsewhere, "target", "keep2.txt"), "decoy inside the link target\n")
        docx(self.doc, PLAIN_BODY)
        self.settings = {
            "SourceFile": "<Project_Folder>/victim.docx",
            "Title": "Hostile " + name,
            "CompiledFile": "<Project_Folder>/out/help.chm",
            "WebHelpOutputFolder": "<Project_Folder>/web/",
            "PDFFile": "<Project_Folder>/out/help.pdf",
            "HHPFolder": "<Project_Folder>/hhp/",
            "OutputHHP": "0",
            "HtmlHelpOutput": "1",
            "WebHelpOutput": "1",
            "PDFOutput": "0",
            "HtmlHelpOutputContext": "0",
        }
        self.chm_settings = {}
        # Where the build may write: its outputs, new files beside the project (its own records),
        # the user's settings and caches, the runtime folder. Everything else is a decoy.
        self.outputs = [os.path.join(self.project, "out"), self.web, self.hhp]
        self.free = [os.path.join(self.home, ".config"), os.path.join(self.home, ".local"),
                     os.path.join(self.home, ".cache"), self.runtime, os.path.join(r, "chm-extract")]
        self.private = [os.path.join(self.home, "secret.txt"), os.path.join(self.home, "Pictures", "private.png"),
                        os.path.join(self.tmp, "planted.png"), os.path.join(self.project, ".hidden", "hidden.txt"),
                        os.path.join(self.home, ".bashrc")]

    def save(self, **changes):
        s = dict(self.settings)
        s.update(changes)
        write_project(self.tvp, s, self.chm_settings)

    def hand_over(self):
        chown_tree(self.root)

    def ready(self, c, **changes):
        """Saves the project with changes, hands the tree to the user and takes the snapshot
        the case is judged against."""
        self.save(**changes)
        self.hand_over()
        c.before = snapshot(self.root)


# --- Running a build ----------------------------------------------------------------------------


def user_pids():
    """The user's processes that still run: a zombie has ended and only waits to be reaped (the
    program's reaper process, orphaned when the program exits, is reaped by init)."""
    out = []
    for d in os.listdir("/proc"):
        if not d.isdigit():
            continue
        try:
            state, uid = "", None
            with open("/proc/%s/status" % d) as f:
                for line in f:
                    if line.startswith("State:"):
                        state = line.split()[1]
                    elif line.startswith("Uid:"):
                        uid = int(line.split()[1])
                        break
            if uid == UID and state != "Z":
                out.append(int(d))
        except OSError:
            pass
    return out


def kill_user_processes():
    for pid in user_pids():
        try:
            os.kill(pid, signal.SIGKILL)
        except OSError:
            pass


def build_env(t):
    env = {
        "HOME": t.home, "USER": USER, "LOGNAME": USER, "PATH": "/usr/local/bin:/usr/bin:/bin",
        "TMPDIR": t.tmp, "XDG_CONFIG_HOME": os.path.join(t.home, ".config"),
        "XDG_DATA_HOME": os.path.join(t.home, ".local", "share"), "XDG_CACHE_HOME": os.path.join(t.home, ".cache"),
        "XDG_DOCUMENTS_DIR": os.path.join(t.home, "Documents"), "XDG_RUNTIME_DIR": t.runtime,
        "LANG": "C.UTF-8", "TAVREL_DATA": os.path.join(APP, "data"),
    }
    for k in ("ASAN_OPTIONS", "UBSAN_OPTIONS", "LSAN_OPTIONS"):
        if k in os.environ:
            env[k] = os.environ[k]
    if SANITIZED:
        # A build that reads without end must not take the machine's memory with it.
        env["ASAN_OPTIONS"] = (env.get("ASAN_OPTIONS", "") + ":hard_rss_limit_mb=6000").lstrip(":")
    return env


def as_user(args, env, cwd):
    kv = ["%s=%s" % (k, v) for k, v in env.items()]
    return ["setpriv", "--reuid=%d" % UID, "--regid=%d" % GID, "--init-groups", "--", "/usr/bin/env", "-i"] + kv + args


def limit_memory():
    if not SANITIZED:
        resource.setrlimit(resource.RLIMIT_AS, (8 << 30, 8 << 30))


class Run:
    def __init__(self, code, err, seconds, timed_out=False):
        self.code, self.err, self.seconds, self.timed_out = code, err, seconds, timed_out


def start(t, extra=(), cwd=None):
    return subprocess.Popen(as_user([TAVREL, "--build", t.tvp] + list(extra), build_env(t), cwd), cwd=cwd or t.cwd,
                            stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                            preexec_fn=limit_memory)


def finish(p, began, timeout=BUILD_TIMEOUT):
    try:
        out, _ = p.communicate(timeout=timeout)
        return Run(p.returncode, out.decode("utf-8", "replace"), time.time() - began)
    except subprocess.TimeoutExpired:
        kill_user_processes()
        out, _ = p.communicate()
        return Run(-1, out.decode("utf-8", "replace"), time.time() - began, True)


def build(t, extra=(), cwd=None, timeout=BUILD_TIMEOUT):
    began = time.time()
    return finish(start(t, extra, cwd), began, timeout)


# --- What must hold afterwards ------------------------------------------------------------------


def sha(path):
    h = hashlib.sha256()
    with open(path, "rb") as f:
        for block in iter(lambda: f.read(1 << 20), b""):
            h.update(block)
    return h.hexdigest()


def snapshot(root):
    """Every entry below root: kind and content (files by hash, links by target); FIFOs and
    other special files by kind only, so none is ever opened."""
    out = {}
    for base, dirs, files in os.walk(root):
        for n in dirs + files:
            p = os.path.join(base, n)
            st = os.lstat(p)
            if stat.S_ISLNK(st.st_mode):
                out[p] = ("link", os.readlink(p))
            elif stat.S_ISDIR(st.st_mode):
                out[p] = ("dir",)
            elif stat.S_ISREG(st.st_mode):
                out[p] = ("file", sha(p))
            else:
                out[p] = ("special", stat.S_IFMT(st.st_mode))
    return out


def under(path, folders):
    return any(path == f or path.startswith(f.rstrip("/") + "/") for f in folders)


def system_temp_entries():
    out = set()
    for folder in ("/tmp", "/var/tmp", "/dev/shm"):
        try:
            for n in os.listdir(folder):
                p = os.path.join(folder, n)
                try:
                    if os.lstat(p).st_uid == UID:
                        out.add(p)
                except OSError:
                    pass
        except OSError:
            pass
    return out


class Checks:
    """Collects the failures of one case."""

    def __init__(self, t):
        self.t = t
        self.failures = []
        self.before = snapshot(t.root)
        self.system_before = system_temp_entries()

    def fail(self, text):
        self.failures.append(text)

    def expect(self, cond, text):
        if not cond:
            self.fail(text)
        return cond

    def settle(self):
        """The standard checks; call after the last build of the case."""
        t = self.t
        time.sleep(0.5)
        left = user_pids()
        if left:
            names = []
            for pid in left:
                try:
                    names.append(open("/proc/%d/comm" % pid).read().strip())
                except OSError:
                    pass
            self.fail("processes left running: %s" % ", ".join(names))
            kill_user_processes()
        after = snapshot(t.root)
        for p, v in self.before.items():
            if under(p, t.outputs) or under(p, t.free):
                continue
            if p not in after:
                self.fail("removed: %s" % os.path.relpath(p, t.root))
            elif after[p] != v and v[0] != "dir":
                self.fail("changed: %s" % os.path.relpath(p, t.root))
        leftovers, foreign = {}, []
        for p, v in sorted(after.items()):
            if p in self.before or under(p, t.outputs) or under(p, t.free):
                continue
            rel = os.path.relpath(p, t.root)
            if under(p, [t.tmp]):
                if v[0] != "dir":
                    # One line per entry of the temporary folder, with the files below it.
                    top = os.path.join("tmp", os.path.relpath(p, t.tmp).split(os.sep)[0])
                    leftovers[top] = leftovers.get(top, 0) + 1
            elif os.path.dirname(p) == t.project and v[0] == "file":
                pass  # the program's own records and lock beside the project
            elif v[0] != "dir" or not under(p, [t.project]):
                foreign.append(rel)
        for top, n in sorted(leftovers.items()):
            self.fail("working file left in the temporary folder (fault 7): %s%s" % (top, " (%d files)" % n if n > 1 else ""))
        for rel in foreign[:10]:
            self.fail("written outside the output paths: %s" % rel)
        if len(foreign) > 10:
            self.fail("written outside the output paths: %d more" % (len(foreign) - 10))
        new_system = system_temp_entries() - self.system_before
        if new_system:
            self.fail("left in the system temporary folder: %s" % ", ".join(sorted(new_system)))
            for p in new_system:
                if os.lstat(p).st_uid == UID:
                    if os.path.isdir(p) and not os.path.islink(p):
                        shutil.rmtree(p, ignore_errors=True)
                    else:
                        os.unlink(p)
        return self.failures

    def no_private_files(self, extra=()):
        """No file of the outputs (the WebHelp folder, the help project, every entry of the
        compiled help file) holds the bytes of a private decoy."""
        t = self.t
        private = {}
        for p in list(t.private) + list(extra):
            if os.path.isfile(p):
                private[sha(p)] = os.path.relpath(p, t.root)
        for p, name in output_files(t):
            h = sha(p)
            if h in private:
                self.fail("private file %s published as %s" % (private[h], name))


def chm_entries(t, chm=None):
    """The entries of the compiled help file, extracted by the throwaway user into a folder of
    its tree (a hostile file must not steer root's writes); a list of (path, name)."""
    chm = chm or t.chm
    if not os.path.isfile(chm):
        return None
    out = os.path.join(t.root, "chm-extract")
    if os.path.exists(out):
        shutil.rmtree(out)
    os.makedirs(out)
    os.chown(out, UID, GID)
    env = {"PATH": "/usr/bin:/bin", "HOME": t.home}
    r = subprocess.run(as_user(["extract_chmLib", chm, out], env, t.cwd), capture_output=True, timeout=120)
    if r.returncode != 0:
        return None
    files = []
    for base, _, names in os.walk(out):
        for n in names:
            p = os.path.join(base, n)
            if os.path.isfile(p) and not os.path.islink(p):
                files.append((p, "chm:" + os.path.relpath(p, out)))
    return files


def chm_readable(t):
    if not os.path.isfile(t.chm):
        return False
    r = subprocess.run(["enum_chmLib", t.chm], capture_output=True, timeout=120)
    return r.returncode == 0 and b".htm" in r.stdout


def output_files(t):
    files = []
    for folder in (t.web, t.hhp):
        for base, _, names in os.walk(folder):
            for n in names:
                p = os.path.join(base, n)
                if os.path.isfile(p) and not os.path.islink(p):
                    files.append((p, os.path.relpath(p, t.root)))
    files += chm_entries(t) or []
    return files


def pages(t):
    for p, name in output_files(t):
        if re.search(r"\.html?$", p, re.I):
            yield name, open(p, "rb").read().decode("utf-8", "replace")


def web_complete(t):
    return os.path.isfile(os.path.join(t.web, "index.html")) or os.path.isfile(os.path.join(t.web, "index.htm"))


def folder_state(folder):
    return {os.path.relpath(p, folder): v for p, v in snapshot(folder).items()} if os.path.isdir(folder) else None


def short(text, n=300):
    text = " ".join(text.split())
    return text if len(text) <= n else text[:n] + "..."


# --- The cases, by fault of the review ---------------------------------------------------------

CASES = []


def case(name):
    def add(f):
        CASES.append((name, f))
        return f
    return add


def refused(c, r, *words):
    """The build ended with a failure and a message that names each word."""
    c.expect(not r.timed_out, "the build did not end within %ds" % BUILD_TIMEOUT)
    if c.expect(r.code not in (0, -1), "exit status %d, expected a refusal; output: %s" % (r.code, short(r.err))):
        for w in words:
            c.expect(w.lower() in r.err.lower(), "the message does not name %r: %s" % (w, short(r.err)))


def built(c, r):
    c.expect(not r.timed_out, "the build did not end within %ds" % BUILD_TIMEOUT)
    c.expect(r.code == 0, "exit status %d, expected a build; output: %s" % (r.code, short(r.err)))


@case("f01_webhelp_folder_through_link_in_project")
def _(t, c):
    os.symlink(os.path.join(t.elsewhere, "target"), os.path.join(t.project, "lnk"))
    t.ready(c, WebHelpOutputFolder="<Project_Folder>/lnk/..", HtmlHelpOutput="0")
    # Scripts answer the empty-the-folder question with --yes: the guard must hold by itself.
    refused(c, build(t, ["--yes"]))


@case("f01_webhelp_folder_through_link_beside_project")
def _(t, c):
    os.symlink(os.path.join(t.elsewhere, "target"), os.path.join(t.projects, "lnk"))
    t.ready(c, WebHelpOutputFolder="<Project_Folder>/../lnk/..", HtmlHelpOutput="0")
    refused(c, build(t, ["--yes"]))


@case("f01_help_project_folder_through_link")
def _(t, c):
    os.symlink(os.path.join(t.elsewhere, "target"), os.path.join(t.project, "lnk"))
    t.ready(c, OutputHHP="1", HHPFolder="<Project_Folder>/lnk/..", WebHelpOutput="0")
    refused(c, build(t, ["--yes"]))


@case("f02_nul_in_pdf_path")
def _(t, c):
    t.ready(c, PDFFile="<Project_Folder>/victim.docx\x00.pdf", PDFOutput="1", HtmlHelpOutput="0", WebHelpOutput="0")
    refused(c, build(t), "character")


@case("f02_nul_in_compiled_file_path")
def _(t, c):
    t.ready(c, CompiledFile="<Project_Folder>/victim.tvp\x00.chm", WebHelpOutput="0")
    refused(c, build(t), "character")


@case("f03_context_file_over_bashrc")
def _(t, c):
    t.ready(c, HtmlHelpOutputContext="1", HtmlHelpContextFile="<My Documents>/../.bashrc", WebHelpOutput="0")
    # --yes answers the questions of a script; it must not cover replacing a foreign file.
    refused(c, build(t, ["--yes"]), ".bashrc")


@case("f03_help_project_folder_is_a_users_folder")
def _(t, c):
    t.ready(c, OutputHHP="1", HHPFolder=os.path.join(t.home, "Pictures"), WebHelpOutput="0")
    refused(c, build(t, ["--yes"]), "Pictures")


@case("f04_private_files_not_published")
def _(t, c):
    secret = os.path.join(t.home, "secret.txt")
    rels = [("rS", "hyperlink", "file://" + secret, True),
            ("rR", "hyperlink", "../../home/secret.txt", True),
            ("rH", "hyperlink", ".hidden/hidden.txt", True),
            ("rP", "image", "file://" + os.path.join(t.home, "Pictures", "private.png"), True),
            ("rB", "hyperlink", "file://" + os.path.join(t.home, ".bashrc"), True)]
    body = (H("Links") + link("rS", "secret") + link("rR", "relative secret") + link("rH", "hidden") +
            link("rB", "start-up file") + picture("rP", 1) + H("More") + P("text"))
    docx(t.doc, body, rels)
    t.ready(c)
    built(c, build(t))
    c.no_private_files()


@case("f05_relative_links_against_the_documents_folder")
def _(t, c):
    rels = [("rB", "image", "beside.png", True), ("rT", "image", "planted.png", True),
            ("rU", "image", "../planted.png", True)]
    body = H("Pictures") + picture("rB", 1) + picture("rT", 2) + picture("rU", 3) + H("More") + P("text")
    docx(t.doc, body, rels)
    t.ready(c)
    built(c, build(t))
    c.no_private_files()
    beside = sha(os.path.join(t.project, "beside.png"))
    c.expect(any(sha(p) == beside for p, _ in output_files(t) if p.startswith(t.web)),
             "the picture beside the document is missing from the WebHelp folder")


@case("f06_two_builds_at_once_keep_a_good_output")
def _(t, c):
    t.ready(c)
    built(c, build(t))
    began = time.time()
    a, b = start(t), start(t)
    ra, rb = finish(a, began), finish(b, began)
    c.expect(ra.code == 0 or rb.code == 0, "neither concurrent build succeeded: %s | %s" % (short(ra.err, 150), short(rb.err, 150)))
    for r in (ra, rb):
        c.expect(r.code == 0 or r.err.strip(), "a concurrent build failed without a message")
    c.expect(chm_readable(t), "no readable help file after two concurrent builds")
    c.expect(web_complete(t), "no complete WebHelp folder after two concurrent builds")


@case("f06_read_only_webhelp_folder_keeps_the_last_output")
def _(t, c):
    t.ready(c, HtmlHelpOutput="0")
    built(c, build(t))
    for base, dirs, files in os.walk(t.web):
        for n in dirs + files:
            os.chmod(os.path.join(base, n), 0o555 if n in dirs else 0o444)
    os.chmod(t.web, 0o555)
    old = folder_state(t.web)
    r = build(t)
    if r.code == 0:
        c.expect(web_complete(t), "the build reported success but the WebHelp folder is not complete")
    else:
        c.expect(folder_state(t.web) == old, "a failed build changed the previous WebHelp folder")
    for base, dirs, _ in os.walk(t.web):
        for n in dirs:
            os.chmod(os.path.join(base, n), 0o755)
    os.chmod(t.web, 0o755)


BIG_BODY = "".join(H("Topic %d" % i, 1 + i % 2) + P("Text of topic %d. " % i * 20) for i in range(1500))


def catch_process(p, name, seconds):
    end = time.time() + seconds
    while time.time() < end and p.poll() is None:
        for pid in user_pids():
            try:
                if open("/proc/%d/comm" % pid).read().strip() == name:
                    return True
            except OSError:
                pass
        time.sleep(0.05)
    return False


@case("f07_killed_during_the_help_compile")
def _(t, c):
    docx(t.doc, BIG_BODY)
    t.ready(c, WebHelpOutput="0")
    began = time.time()
    p = start(t)
    if not c.expect(catch_process(p, "chmcmd", BUILD_TIMEOUT), "the help compiler was never seen running"):
        finish(p, began)
        return
    p.send_signal(signal.SIGTERM)  # setpriv and env exec the program: this is its process
    finish(p, began, 60)
    # The program's reaper ends the children's groups and removes the run's folder, waiting a
    # few seconds for them; whatever still runs after that outlived the build.
    deadline = time.time() + 15
    while user_pids() and time.time() < deadline:
        time.sleep(0.2)
    left = []
    for pid in user_pids():
        try:
            left.append(open("/proc/%d/comm" % pid).read().strip())
        except OSError:
            pass
    c.expect(not left, "a child process outlived the killed build: %s" % ", ".join(left))
    kill_user_processes()
    # Leftovers of the killed run are removed by the next start.
    built(c, build(t))
    c.expect(chm_readable(t), "the build after the killed one wrote no readable help file")


@case("f08_special_files_as_pictures")
def _(t, c):
    fifo = os.path.join(t.project, "pipe.png")
    os.mkfifo(fifo)
    rels = [("rF", "image", "pipe.png", True), ("rZ", "image", "file:///dev/zero", True),
            ("rU", "image", "file:///dev/urandom", True)]
    body = H("Specials") + picture("rF", 1) + picture("rZ", 2) + picture("rU", 3) + H("More") + P("text")
    docx(t.doc, body, rels)
    t.ready(c)
    built(c, build(t, timeout=120))


@case("f09_working_folders_private_and_copy_removed")
def _(t, c):
    docx(t.doc, BIG_BODY)
    t.ready(c, WebHelpOutput="0")
    began = time.time()
    p = start(t)
    exposed = set()
    while p.poll() is None and time.time() - began < BUILD_TIMEOUT:
        for base, dirs, files in os.walk(t.tmp):
            for n in dirs + files:
                q = os.path.join(base, n)
                try:
                    st = os.lstat(q)
                except OSError:
                    continue
                if q not in c.before and st.st_uid == UID and not stat.S_ISLNK(st.st_mode) and st.st_mode & 0o077:
                    exposed.add(os.path.relpath(q, t.root))
        time.sleep(0.05)
    built(c, finish(p, began))
    c.expect(not exposed, "readable by others while building: %s" % ", ".join(sorted(exposed)[:5]))
    # A failed build removes its copy of the source as well (the settle check sees the folder).
    docx(t.doc, P("no heading at all"))
    chown_tree(t.project)
    c.before[t.doc] = ("file", sha(t.doc))
    r = build(t)
    c.expect(r.code != 0, "a document without headings was built")


class Counting(http.server.BaseHTTPRequestHandler):
    hits = 0

    def do_GET(self):
        Counting.hits += 1
        body = png("remote")
        self.send_response(200)
        self.send_header("Content-Type", "image/png")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def log_message(self, *args):
        pass


@case("f10_no_network_during_the_build")
def _(t, c):
    server = socketserver.TCPServer(("127.0.0.1", 0), Counting)
    port = server.server_address[1]
    thread = threading.Thread(target=server.serve_forever, daemon=True)
    thread.start()
    try:
        url = "http://127.0.0.1:%d/remote.png" % port
        rels = [("rW", "image", url, True), ("rL", "hyperlink", url, True)]
        docx(t.doc, H("Remote") + picture("rW", 1) + link("rL", "remote") + H("More") + P("text"), rels)
        t.ready(c, PDFOutput="1")
        Counting.hits = 0
        built(c, build(t))
        c.expect(Counting.hits == 0, "the build fetched %d request(s) from the network" % Counting.hits)
    finally:
        server.shutdown()
        server.server_close()


@case("f11_script_from_project_and_document")
def _(t, c):
    rels = [("rJ", "hyperlink", "javascript:alert('document')", True), ("rV", "hyperlink", "vbscript:msgbox(1)", True),
            ("rD", "hyperlink", "data:text/html,<script>alert(3)</script>", True)]
    docx(t.doc, H("Scripts") + link("rJ", "js") + link("rV", "vbs") + link("rD", "data") + H("Next") + P("text"), rels)
    t.ready(c, PrevHint="</script><script>alert('prev')</script>", NextHint="\"><img src=x onerror=alert('next')>")
    built(c, build(t))
    for name, text in pages(t):
        low = text.lower()
        for bad in ("<script>alert('prev')", "<img src=x onerror=alert('next')", 'href="javascript:', 'href="vbscript:', 'href="data:'):
            c.expect(bad not in low, "%s holds %s" % (name, bad))


@case("f12_empty_template_stream")
def _(t, c):
    t.ready(c, HtmlHelpTemplateStream="", WebHelpOutput="0")
    refused(c, build(t), "template")
    c.expect(not os.path.exists(t.chm), "a help file was compiled from an empty template")


@case("f12_damaged_template_stream")
def _(t, c):
    t.ready(c, HtmlHelpTemplateStream="0C000000ZZ", WebHelpOutput="0")
    refused(c, build(t), "template")


def template_entry(name, data):
    import struct
    n = name.encode("utf-16-le")
    return struct.pack("<q", len(name)) + n + struct.pack("<q", len(data)) + data


@case("f12_template_entry_name_with_line_breaks")
def _(t, c):
    evil = os.path.join(t.root, "evil.chm")
    stream = (template_entry("main.htm", b"<html><head><title>($title$)</title></head><body>($content$)</body></html>") +
              template_entry("x.css\r\n[OPTIONS]\r\nCompiled file=%s\r\n" % evil, b"body{}"))
    t.ready(c, HtmlHelpTemplateStream=stream.hex().upper(), WebHelpOutput="0", OutputHHP="1")
    refused(c, build(t), "template")
    c.expect(not os.path.exists(evil), "the template's entry name steered the compiled file")


def hhp_text(t):
    for n in os.listdir(t.hhp) if os.path.isdir(t.hhp) else []:
        if n.lower().endswith(".hhp"):
            return open(os.path.join(t.hhp, n), "rb").read().decode("utf-8", "replace")
    return None


@case("f12_property_values_with_line_breaks_and_quotes")
def _(t, c):
    evil = os.path.join(t.root, "evil.chm")
    body = (H("First") + field(' FileName="first&#13;&#10;[OPTIONS]&#13;&#10;Compiled file=%s";StaticVar="A&#13;&#10;#include x" ' % evil) +
            P("one") + H("Second") + field(' FileName="sec""ond";Id="7&#13;&#10;#define Y 8" ') + P("two"))
    docx(t.doc, body)
    t.ready(c, WebHelpOutput="0", OutputHHP="1")
    built(c, build(t))
    c.expect(not os.path.exists(evil), "a document property steered the compiled file")
    text = hhp_text(t)
    if c.expect(text is not None, "no .hhp was kept"):
        lines = text.splitlines()
        c.expect(sum(l.startswith("Compiled file=") for l in lines) == 1, "the .hhp has an injected [OPTIONS] line")
        c.expect(sum(l.startswith("[") for l in lines) == len(set(l for l in lines if l.startswith("["))),
                 "the .hhp has a section twice")
        window = [l for l in text.splitlines() if l.startswith("main=")]
        c.expect(len(window) == 1 and window[0].count('"') == 14, "the window definition has a stray quote: %s" % window)
    for n in os.listdir(t.hhp) if os.path.isdir(t.hhp) else []:
        if n.lower().endswith(".h"):
            lines = [l for l in open(os.path.join(t.hhp, n), encoding="utf-8", errors="replace").read().splitlines() if l.strip()]
            c.expect(all(l.startswith("#define CID_") for l in lines), "the map file has an injected line: %s" % lines)


@case("f12_window_positions_at_the_integer_limits")
def _(t, c):
    t.chm_settings = {"Left": "2147483647", "Width": "2147483647", "Top": "-2147483648", "Height": "-2147483648",
                      "PaneWidth": "2147483647", "DefaultTab": "-5"}
    t.ready(c, WebHelpOutput="0", OutputHHP="1")
    built(c, build(t))
    text = hhp_text(t) or ""
    m = re.search(r"\[(-?\d+),(-?\d+),(-?\d+),(-?\d+)\]", text)
    if c.expect(m is not None, "no window rectangle in the .hhp"):
        left, top, right, bottom = (int(v) for v in m.groups())
        c.expect(right >= left and bottom >= top, "the rectangle overflowed: %s" % (m.group(0),))
        c.expect(all(abs(v) < 2 ** 31 for v in (left, top, right, bottom)), "a coordinate is outside the integer range")


@case("f12_document_errors_name_the_users_file")
def _(t, c):
    write(t.doc, b"PK\x03\x04 this is not a document")
    t.ready(c, WebHelpOutput="0")
    r = build(t)
    refused(c, r, "victim.docx")
    c.expect("~ta" not in r.err, "the message names the temporary copy: %s" % short(r.err))


@case("f12_nul_reference_in_a_heading")
def _(t, c):
    docx(t.doc, H("Before&#0;After") + P("one") + H("Second&#x0000; heading") + P("two"))
    t.ready(c, WebHelpOutput="0", OutputHHP="1")
    built(c, build(t))
    hhc = ""
    for n in os.listdir(t.hhp) if os.path.isdir(t.hhp) else []:
        if n.lower().endswith(".hhc"):
            hhc = open(os.path.join(t.hhp, n), "rb").read().decode("latin-1")
    c.expect("After" in hhc and "heading" in hhc, "a heading lost its text after the NUL reference")


@case("f12_relative_output_folder_against_the_project")
def _(t, c):
    t.ready(c, WebHelpOutputFolder="..", HtmlHelpOutput="0")
    # From a working directory with files of its own: ".." must not mean its parent. Against the
    # project folder it is the folder of every project, which is refused.
    refused(c, build(t, ["--yes"], cwd=os.path.join(t.cwd, "sub")))


# --- Driver -------------------------------------------------------------------------------------


def main():
    passed = failed = 0
    try:
        for name, body in CASES:
            if not PATTERN.search(name):
                continue
            t = Tree(name)
            t.hand_over()
            c = Checks(t)
            began = time.time()
            try:
                body(t, c)
            except Exception as e:  # a harness error is a failure of the case, not of the run
                c.fail("harness error: %r" % (e,))
            c.settle()
            seconds = time.time() - began
            if c.failures:
                failed += 1
                print("FAIL %s (%.1fs)" % (name, seconds))
                for f in c.failures:
                    print("    " + f)
            else:
                passed += 1
                print("PASS %s (%.1fs)" % (name, seconds))
            sys.stdout.flush()
    finally:
        kill_user_processes()
        # Only the tree this run made; root's permission bits do not stop the removal.
        if os.environ.get("HOSTILE_KEEP"):
            print("run_hostile: the trees are kept in %s" % ROOT)
        elif ROOT.startswith("/tmp/tavrel-hostile.") and os.path.isdir(ROOT) and not os.path.islink(ROOT):
            shutil.rmtree(ROOT, ignore_errors=True)
    print("%d passed, %d failed" % (passed, failed))
    return 0 if failed == 0 else 1


if __name__ == "__main__":
    sys.exit(main())
