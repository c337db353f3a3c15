"""The store web site for devservices: home, app and game categories, topics, search results,
the device page's recommendations and the list page, with app cards whose download buttons hand
a Base64 download request to the program through window.external (in any other browser they
download the package directly). Packages and icons are served from the catalogue folder by the
file module (/files/<package>.apk, /files/<package>.png), with their real MD5 in the requests.

Fault modes (--store-fault for every page, or ?fault= on one request):
    stall   send the header and the start of the page, then nothing (a page that never completes)
    404     answer 404 Not Found
    500     answer 500 Internal Server Error
"""
import base64
import html
import os
import re
import time
import urllib.parse

import files
import storecatalog

STALL_SECONDS = 600
MAX_QUERY = 2048
FAULTS = ("none", "stall", "404", "500")
HOST_RE = re.compile(r"^[A-Za-z0-9.\-:\[\]]{1,255}$")


def add_arguments(parser):
    group = parser.add_argument_group("store")
    group.add_argument("--port-store", type=int, default=0, help="port of the store web site")
    group.add_argument("--store-files", default=None,
                       help="catalogue folder for packages and icons (default: a cache folder)")
    group.add_argument("--store-fault", default="none", choices=FAULTS,
                       help="fault of every store page")
    group.add_argument("--store-files-rate", type=int, default=None,
                       help="send packages and icons at about N bytes per second "
                            "(a download that can be watched)")
    group.add_argument("--no-store", action="store_true", help="no store listener")


def _default_catalogue_folder():
    cache = os.environ.get("XDG_CACHE_HOME") or os.path.join(os.path.expanduser("~"), ".cache")
    return os.path.join(cache, "penlow-devservices", "store-catalogue-1")


def create_listeners(args, log):
    if args.no_store:
        return []
    folder = os.path.realpath(args.store_files or _default_catalogue_folder())
    site = StoreSite(storecatalog.build(folder), folder, args.store_fault, args.store_files_rate)
    return [("store", site.handle)]


def _js_text(text):
    return "'" + text.replace("\\", "\\\\").replace("'", "\\'") + "'"


class StoreSite:
    def __init__(self, apps, folder, fault, files_rate=None):
        self.apps = apps
        self.by_package = {app.package: app for app in apps}
        self.folder = folder
        self.fault = fault
        self.file_faults = dict(_NO_FILE_FAULTS, rate=files_rate if files_rate and files_rate > 0 else None)
        self.pages = {
            "/index.php": self.home,
            "/softdir.php": lambda q, base: self.categories(q, base, "app"),
            "/gamedir.php": lambda q, base: self.categories(q, base, "game"),
            "/subject.php": self.topics,
            "/s.php": self.search,
            "/mindex.php": self.recommendations,
            "/list.php": self.listing,
        }

    # --- HTTP -------------------------------------------------------------------------------
    def handle(self, request):
        path, _, query = request.path.partition("?")
        query = query[:MAX_QUERY]
        if path.startswith("/files/"):
            request.path = "/" + request.path[len("/files/"):]
            try:
                files.FileRequest(request, self.folder, self.file_faults).answer()
            except (BrokenPipeError, ConnectionResetError):
                request.handler.close_connection = True
            return
        params = urllib.parse.parse_qs(query, keep_blank_values=True)
        fault = (params.get("fault") or [self.fault])[-1]
        page = self.pages.get(path)
        if path == "/":
            page = self.home
        if page is None or fault == "404":
            self.send(request, 404, self.error_page("404", "页面不存在"))
            return
        if fault == "500":
            self.send(request, 500, self.error_page("500", "服务器开小差了"))
            return
        body = page(query, self.base_url(request)).encode("utf-8")
        if fault == "stall":
            self.stall(request, body)
            return
        self.send(request, 200, body)

    def base_url(self, request):
        host = request.headers.get("Host", "")
        if not HOST_RE.match(host):
            host = "127.0.0.1:%d" % request.handler.server.server_address[1]
        return "http://" + host

    def send(self, request, status, body):
        if isinstance(body, str):
            body = body.encode("utf-8")
        h = request.handler
        h.send_response(status)
        h.send_header("Content-Type", "text/html; charset=utf-8")
        h.send_header("Content-Length", str(len(body)))
        h.end_headers()
        if request.method != "HEAD":
            h.wfile.write(body)

    def stall(self, request, body):
        h = request.handler
        h.send_response(200)
        h.send_header("Content-Type", "text/html; charset=utf-8")
        h.send_header("Content-Length", str(len(body)))
        h.end_headers()
        try:
            h.wfile.write(body[: len(body) // 3])
            h.wfile.flush()
            time.sleep(STALL_SECONDS)
        except (BrokenPipeError, ConnectionResetError):
            pass
        h.close_connection = True

    # --- building blocks ----------------------------------------------------------------------
    def payload(self, app, base):
        fields = [base + "/files/" + app.apk_name, app.version, "", base + "/files/" + app.icon_name,
                  app.package, "", app.md5, app.name, "", app.type_text]
        return base64.b64encode("|".join(fields).encode("utf-8")).decode("ascii")

    def download_button(self, app, base, label="下载", vuzu=False):
        apk = base + "/files/" + app.apk_name
        if vuzu:
            data = '{"id":%d,"url":"%s","n":"%s"}' % (self.apps.index(app) + 1, apk, app.package)
            call = "window.external.VuzuDoz_Notify(%s)" % _js_text(data)
        else:
            call = "window.external.KivSofeware_notify(3, %s)" % _js_text(self.payload(app, base))
        return ('<a class="dl" href="%s" data-package="%s" '
                'onclick="return storeDownload(this, function () { %s; })">%s</a>'
                % (html.escape(apk), app.package, html.escape(call), label))

    def store_link(self, base, path, text, cls="more"):
        url = base + path
        return ('<a class="%s" href="%s" onclick="return storeOpen(%s)">%s</a>'
                % (cls, html.escape(url), html.escape(_js_text(url)), text))

    def card(self, app, base, vuzu=False):
        return """
<div class="card" data-package="{pkg}">
  <img class="icon" src="{base}/files/{icon}" alt="">
  <div class="info">
    <div class="name">{name}</div>
    <div class="meta"><span class="stars">★ {rating}</span> · {size}</div>
    <div class="meta">{category}</div>
  </div>
  {button}
</div>""".format(pkg=app.package, base=base, icon=app.icon_name, name=html.escape(app.name),
                 rating=app.rating, size=_size_text(app.size), category=app.category,
                 button=self.download_button(app, base, vuzu=vuzu))

    def row(self, app, base, rank=None):
        number = '<span class="rank">%d</span>' % rank if rank else ""
        return """
<div class="row" data-package="{pkg}">{number}
  <img class="icon small" src="{base}/files/{icon}" alt="">
  <div class="info"><div class="name">{name}</div>
  <div class="meta">{category} · {size} · 版本 {version}</div>
  <div class="summary">{summary}</div></div>
  {button}
</div>""".format(pkg=app.package, number=number, base=base, icon=app.icon_name,
                 name=html.escape(app.name), category=app.category,
                 size=_size_text(app.size), version=app.version,
                 summary=html.escape(app.summary), button=self.download_button(app, base))

    def section(self, title, body, more=""):
        return ('<section><div class="head"><h2>%s</h2>%s</div>%s</section>'
                % (title, more, body))

    # --- pages --------------------------------------------------------------------------------
    def home(self, query, base):
        featured = self.by_package["com.penlow.music"]
        apps = [a for a in self.apps if a.kind == "app"]
        games = [a for a in self.apps if a.kind == "game"]
        hero = """
<div class="hero" style="background: linear-gradient(120deg, {c0}, {c1});">
  <div class="hero-text"><div class="tag">今日推荐</div><h1>{name}</h1><p>{summary}</p>
  {button}</div>
  <img class="hero-icon" src="{base}/files/{icon}" alt="">
</div>""".format(c0=featured.colours[0], c1=featured.colours[1], name=featured.name,
                 summary=featured.summary, base=base, icon=featured.icon_name,
                 button=self.download_button(featured, base, "立即下载"))
        cards = "".join(self.card(a, base, vuzu=(a.package == "com.penlow.maps"))
                        for a in apps[:6])
        game_cards = "".join(self.card(a, base) for a in games[:6])
        body = (hero
                + self.section("精品应用", '<div class="grid">%s</div>' % cards,
                               self.store_link(base, "/softdir.php", "全部应用 ›"))
                + self.section("热门游戏", '<div class="grid">%s</div>' % game_cards,
                               self.store_link(base, "/gamedir.php", "全部游戏 ›")))
        return self.document("主页", body, base)

    def categories(self, query, base, kind):
        params = urllib.parse.parse_qs(query)
        names = storecatalog.APP_CATEGORIES if kind == "app" else storecatalog.GAME_CATEGORIES
        chosen = (params.get("c") or [""])[-1]
        path = "/softdir.php" if kind == "app" else "/gamedir.php"
        chips = ['<a class="chip%s" href="%s%s">全部</a>' % ("" if chosen else " on", base, path)]
        for name in names:
            on = " on" if name == chosen else ""
            chips.append('<a class="chip%s" href="%s%s?c=%s">%s</a>'
                         % (on, base, path, urllib.parse.quote(name), name))
        apps = [a for a in self.apps if a.kind == kind and (not chosen or a.category == chosen)]
        rows = "".join(self.row(a, base) for a in apps) or '<p class="empty">这个分类还没有内容</p>'
        title = "应用分类" if kind == "app" else "游戏分类"
        body = ('<div class="chips">%s</div>' % "".join(chips)
                + self.section(chosen or ("全部应用" if kind == "app" else "全部游戏"),
                               '<div class="list">%s</div>' % rows))
        return self.document(title, body, base)

    def topics(self, query, base):
        blocks = []
        for key, title, subtitle, colours, packages in storecatalog.TOPICS:
            icons = "".join('<img class="icon tiny" src="%s/files/%s" alt="">'
                            % (base, self.by_package[p].icon_name) for p in packages)
            blocks.append("""
<div class="topic" style="background: linear-gradient(120deg, {c0}, {c1});">
  <div><h3>{title}</h3><p>{subtitle} · {count}款</p>{link}</div><div class="topic-icons">{icons}</div>
</div>""".format(c0=colours[0], c1=colours[1], title=title, subtitle=subtitle,
                 count=len(packages), icons=icons,
                 link=self.store_link(base, "/list.php?type=t&topic=" + key, "查看专题 ›",
                                      "topic-link")))
        return self.document("精选主题", '<div class="topics">%s</div>' % "".join(blocks), base)

    def search(self, query, base):
        raw = query[2:] if query.startswith("s=") else ""
        text = urllib.parse.unquote(raw.split("&", 1)[0], errors="replace")
        needle = text.strip().lower()
        found = [a for a in self.apps if needle and (
            needle in a.name.lower() or needle in a.package.lower()
            or needle in a.category.lower() or needle in a.summary.lower())]
        heading = '<div class="search-head">搜索“<span id="query">%s</span>”，找到 %d 个结果</div>' % (
            html.escape(text), len(found))
        rows = "".join(self.row(a, base) for a in found)
        if not found:
            rows = ('<div class="empty">没有找到相关应用，换个关键词试试，比如'
                    ' <b>地图</b>、<b>音乐</b> 或 <b>游戏</b></div>')
        body = heading + '<div class="list">%s</div>' % rows
        if len(found) < 4:
            popular = [a for a in self.apps if a not in found][:3]
            body += self.section("大家都在下载", '<div class="grid">%s</div>'
                                 % "".join(self.card(a, base) for a in popular))
        return self.document("搜索", body, base)

    def recommendations(self, query, base):
        picks = [self.by_package[p] for p in ("com.penlow.weather", "com.penlow.game.blocks",
                                               "com.penlow.maps", "com.penlow.reader",
                                               "com.penlow.game.chess", "com.penlow.files")]
        items = "".join("""
<div class="mini" data-package="{pkg}"><img class="icon" src="{base}/files/{icon}" alt="">
<div class="name">{name}</div>{button}</div>""".format(
            pkg=a.package, base=base, icon=a.icon_name, name=html.escape(a.name),
            button=self.download_button(a, base, "安装")) for a in picks)
        return self.document("为你推荐", '<div class="minis">%s</div>' % items, base, compact=True)

    def listing(self, query, base):
        params = urllib.parse.parse_qs(query)
        topic = (params.get("topic") or [""])[-1]
        kind = (params.get("type") or [""])[-1]
        title, apps = "热门排行", list(self.apps)
        for key, name, _, _, packages in storecatalog.TOPICS:
            if key == topic:
                title, apps = name, [self.by_package[p] for p in packages]
        if kind in ("app", "game"):
            apps = [a for a in apps if a.kind == kind]
        rows = "".join(self.row(a, base, rank=i + 1) for i, a in enumerate(apps))
        return self.document(title, self.section(title, '<div class="list">%s</div>' % rows), base)

    def error_page(self, code, text):
        return ('<!DOCTYPE html><html><head><meta charset="utf-8"><title>%s</title></head>'
                '<body style="font-family:sans-serif;color:#4A505A;text-align:center;'
                'padding-top:120px"><h1 style="font-size:56px;color:#2E74F0;margin:0">%s</h1>'
                '<p>%s</p></body></html>' % (code, code, text))

    def document(self, title, body, base, compact=False):
        return PAGE.format(title=title, css=CSS, script=SCRIPT, body=body,
                           cls="compact" if compact else "")


_NO_FILE_FAULTS = {"rate": None, "stall": None, "drop": None, "status": None, "norange": None,
                   "hang": None, "type": None, "nolength": None}


def _size_text(size):
    if size >= 1024 * 1024:
        return "%.1f MB" % (size / 1024.0 / 1024.0)
    return "%d KB" % max(1, size // 1024)


PAGE = """<!DOCTYPE html>
<html lang="zh-CN"><head><meta charset="utf-8">
<meta name="viewport" content="width=device-width, initial-scale=1">
<title>{title}</title><style>{css}</style><script>{script}</script></head>
<body class="{cls}">{body}
<div id="toast"></div></body></html>"""

SCRIPT = """
function storeHasBridge(name) {
    return !!(window.external && window.external[name]);
}
function storeToast(text) {
    var t = document.getElementById('toast');
    if (!t) { return; }
    t.textContent = text; t.className = 'show';
    clearTimeout(window.storeToastTimer);
    window.storeToastTimer = setTimeout(function () { t.className = ''; }, 1800);
}
function storeDownload(button, call) {
    if (!storeHasBridge('KivSofeware_notify')) { return true; }
    call();
    button.className += ' sent';
    button.textContent = '已加入下载';
    storeToast('已加入下载列表');
    return false;
}
function storeOpen(url) {
    if (!storeHasBridge('KivSofeware_notify')) { return true; }
    window.external.KivSofeware_notify(4, url);
    return false;
}
"""

CSS = """
* { box-sizing: border-box; }
body { margin: 0; padding: 16px 22px 24px; background: #fff; color: #1F2329;
  font: 13px/1.5 "Noto Sans CJK SC", "Noto Sans", "Microsoft YaHei", sans-serif; }
a { color: inherit; text-decoration: none; }
h1, h2, h3 { margin: 0; font-weight: 600; }
.hero { display: flex; align-items: center; justify-content: space-between; border-radius: 14px;
  padding: 22px 30px; color: #fff; margin-bottom: 18px; box-shadow: 0 6px 18px rgba(46,116,240,.18); }
.hero .tag { display: inline-block; font-size: 12px; padding: 1px 10px; border-radius: 10px;
  background: rgba(255,255,255,.25); }
.hero h1 { font-size: 26px; margin: 6px 0 2px; }
.hero p { margin: 0 0 12px; opacity: .92; }
.hero .dl { background: #fff; color: #D6336C; border-color: #fff; padding: 5px 20px; }
.hero-icon { width: 104px; height: 104px; border-radius: 24px; box-shadow: 0 8px 20px rgba(0,0,0,.2); }
section { margin-top: 6px; }
.head { display: flex; align-items: baseline; justify-content: space-between; margin: 10px 0 8px; }
.head h2 { font-size: 16px; }
.more { color: #2E74F0; font-size: 12px; }
.grid { display: grid; grid-template-columns: repeat(3, minmax(0, 1fr)); gap: 10px; }
.card { display: flex; align-items: center; gap: 10px; padding: 10px; border: 1px solid #E3E6EB;
  border-radius: 10px; background: #fff; transition: box-shadow .15s, border-color .15s; }
.card:hover, .row:hover { border-color: #D4E3FD; box-shadow: 0 4px 14px rgba(31,35,41,.08); }
.icon { width: 52px; height: 52px; border-radius: 12px; flex: none; }
.icon.small { width: 48px; height: 48px; }
.icon.tiny { width: 40px; height: 40px; border-radius: 10px; margin-left: -8px;
  border: 2px solid rgba(255,255,255,.8); }
.info { flex: 1; min-width: 0; }
.name { font-size: 14px; font-weight: 600; white-space: nowrap; overflow: hidden; text-overflow: ellipsis; }
.meta { color: #8A919C; font-size: 12px; white-space: nowrap; overflow: hidden; text-overflow: ellipsis; }
.stars { color: #F59E0B; }
.summary { color: #4A505A; font-size: 12px; }
.dl { flex: none; display: inline-block; padding: 3px 14px; border-radius: 14px; font-size: 12px;
  color: #2E74F0; border: 1px solid #2E74F0; background: #fff; cursor: pointer; }
.dl:hover { background: #2E74F0; color: #fff; }
.dl.sent { color: #8A919C; border-color: #D3D8DF; background: #F5F7FA; }
.list { display: flex; flex-direction: column; gap: 8px; }
.row { display: flex; align-items: center; gap: 12px; padding: 10px 14px; border: 1px solid #E3E6EB;
  border-radius: 10px; }
.rank { width: 22px; text-align: center; font-weight: 700; color: #2E74F0; font-size: 15px; }
.chips { display: flex; flex-wrap: wrap; gap: 8px; margin-bottom: 6px; }
.chip { padding: 3px 14px; border-radius: 14px; background: #F5F7FA; color: #4A505A; border: 1px solid #E3E6EB; }
.chip.on, .chip:hover { background: #EAF1FE; color: #2E74F0; border-color: #D4E3FD; }
.topics { display: grid; grid-template-columns: repeat(2, minmax(0, 1fr)); gap: 14px; }
.topic { display: flex; justify-content: space-between; align-items: center; padding: 22px 24px;
  border-radius: 14px; color: #fff; min-height: 120px; }
.topic p { margin: 2px 0 10px; opacity: .9; }
.topic-link { display: inline-block; padding: 2px 12px; border-radius: 12px; background: rgba(255,255,255,.22); }
.topic-icons { display: flex; padding-left: 8px; }
.search-head { font-size: 15px; margin: 2px 0 12px; color: #4A505A; }
.search-head span { color: #2E74F0; font-weight: 600; }
.empty { padding: 40px 0; text-align: center; color: #8A919C; }
body.compact { padding: 8px 10px; }
.minis { display: grid; grid-template-columns: repeat(3, minmax(0, 1fr)); gap: 8px; }
.mini { display: flex; flex-direction: column; align-items: center; gap: 4px; padding: 8px 4px;
  border-radius: 10px; border: 1px solid #E3E6EB; }
.mini .name { font-size: 12px; font-weight: 500; max-width: 100%; }
#toast { position: fixed; left: 50%; bottom: 24px; transform: translateX(-50%); padding: 6px 16px;
  border-radius: 16px; background: rgba(31,35,41,.85); color: #fff; font-size: 12px; opacity: 0;
  transition: opacity .2s; pointer-events: none; }
#toast.show { opacity: 1; }
"""
