// Runs inside Thunderbird through Marionette (chrome context). Parses every local folder from its
// mbox file and returns, per folder, the role Thunderbird gave it (its special-folder flags), the file
// it reads the folder from, and what it made of each message: the subject and sender as the message
// list shows them and the body as plain text after its own MIME decoding.
const { MailServices } = ChromeUtils.importESModule("resource:///modules/MailServices.sys.mjs");
const { setTimeout } = ChromeUtils.importESModule("resource://gre/modules/Timer.sys.mjs");
const { MsgHdrToMimeMessage } = ChromeUtils.importESModule("resource:///modules/gloda/MimeMessage.sys.mjs");
const sleep = ms => new Promise(r => setTimeout(r, ms));

// The folder flags that make a folder one of Thunderbird's special folders.
const ROLES = ["Inbox", "Trash", "SentMail", "Drafts", "Templates", "Junk", "Archive", "Queue"];
const roles = folder => ROLES.filter(r => folder.getFlag(Ci.nsMsgFolderFlags[r]));

async function localRoot() {
  for (let i = 0; i < 600; i++) {
    try {
      const root = MailServices.accounts.localFoldersServer.rootFolder;
      if (root) return root;
    } catch (e) {}
    await sleep(50);
  }
  throw new Error("Local Folders did not come up");
}

// Build the folder's database from its mbox file, whatever Thunderbird had cached.
function parse(folder) {
  const local = folder.QueryInterface(Ci.nsIMsgLocalMailFolder);
  return new Promise(resolve => {
    const timer = setTimeout(() => resolve("parse timed out"), 30000);
    const listener = {
      QueryInterface: ChromeUtils.generateQI(["nsIUrlListener"]),
      OnStartRunningUrl() {},
      OnStopRunningUrl(url, status) {
        clearTimeout(timer);
        resolve(status ? "parse status 0x" + (status >>> 0).toString(16) : null);
      },
    };
    try {
      if (local.getDatabaseWithReparse(listener, null)) {
        clearTimeout(timer);
        resolve(null);
      }
    } catch (e) {
      if (e.result != Cr.NS_ERROR_NOT_INITIALIZED) {
        clearTimeout(timer);
        resolve(String(e));
      }
    }
  });
}

// The body as plain text and the names of the attachments, as Thunderbird decodes them.
function content(hdr) {
  return new Promise(resolve => {
    const timer = setTimeout(() => resolve({ body: "(body timed out)", attachments: [] }), 15000);
    try {
      MsgHdrToMimeMessage(hdr, null, (h, mime) => {
        clearTimeout(timer);
        try {
          resolve(mime
            ? { body: mime.coerceBodyToPlaintext(hdr.folder), attachments: mime.allUserAttachments.map(a => a.name) }
            : { body: "(no MIME message)", attachments: [] });
        } catch (e) {
          resolve({ body: "(" + e + ")", attachments: [] });
        }
      }, true, { saneBodySize: true });
    } catch (e) {
      clearTimeout(timer);
      resolve({ body: "(" + e + ")", attachments: [] });
    }
  });
}

return (async () => {
  const root = await localRoot();
  const out = { app: Services.appinfo.name + " " + Services.appinfo.version, folders: [] };
  for (const folder of root.descendants) {
    const names = [];
    for (let f = folder; f && f != root; f = f.parent) names.unshift(f.name);
    const file = folder.filePath.path.startsWith(root.filePath.path + "/")
      ? folder.filePath.path.slice(root.filePath.path.length + 1) : folder.filePath.path;
    const error = await parse(folder);
    const entry = { path: names.join("/"), file, roles: roles(folder), error, messages: [] };
    try {
      const db = folder.QueryInterface(Ci.nsIMsgLocalMailFolder).getDatabaseWOReparse();
      const hdrs = [...db.enumerateMessages()].sort((a, b) => Number(a.storeToken) - Number(b.storeToken));
      for (const h of hdrs) {
        entry.messages.push(Object.assign({
          subject: h.mime2DecodedSubject,
          hasRe: !!(h.flags & Ci.nsMsgMessageFlags.HasRe),
          from: h.mime2DecodedAuthor,
        }, await content(h)));
      }
    } catch (e) {
      entry.error = (entry.error ? entry.error + "; " : "") + e;
    }
    out.folders.push(entry);
  }
  return out;
})();
