"""What the test SMTP server records: received messages as JSON, the
session transcript, and whether credentials ever crossed the wire.

Tests read these files instead of talking to the server, so everything a
test may want to assert on is decoded here with Python's strict parser."""

import base64
import hashlib
import json
import os
from email import policy
from email.parser import BytesParser


def _header_defects(part):
    found = []
    for name, value in part.items():
        for defect in getattr(value, "defects", ()):
            found.append(f"header {name}: {type(defect).__name__}: {defect}")
    return found


def _addresses(value):
    try:
        return [{"display_name": a.display_name, "addr_spec": a.addr_spec}
                for a in value.addresses]
    except AttributeError:
        return []


def describe_message(raw):
    """Everything a test checks about one message, as plain JSON types."""
    out = {"headers": {}, "addresses": {}, "defects": [], "parts": [],
           "attachments": [], "body": None}
    lines = raw.split(b"\n")
    out["max_line_length"] = max((len(l.rstrip(b"\r")) for l in lines), default=0)
    out["bare_lf"] = any(i < len(lines) - 1 and not l.endswith(b"\r")
                         for i, l in enumerate(lines))
    out["eight_bit"] = any(b > 0x7F for b in raw)
    try:
        msg = BytesParser(policy=policy.default).parsebytes(raw)
    except Exception as error:  # the parser is lenient; keep it visible anyway
        out["defects"].append(f"parse: {type(error).__name__}: {error}")
        return out
    for name, value in msg.items():
        key = name.lower()
        out["headers"].setdefault(key, []).append(str(value))
        if key in ("from", "to", "cc", "bcc", "reply-to", "sender"):
            out["addresses"].setdefault(key, []).extend(_addresses(value))
    for index, part in enumerate(msg.walk()):
        label = f"part {index} ({part.get_content_type()})"
        out["defects"] += [f"{label}: {type(d).__name__}: {d}" for d in part.defects]
        out["defects"] += [f"{label}: {d}" for d in _header_defects(part)]
        out["parts"].append({
            "content_type": part.get_content_type(),
            "charset": part.get_content_charset(),
            "transfer_encoding": part.get("Content-Transfer-Encoding"),
            "disposition": part.get_content_disposition(),
            "filename": part.get_filename(),
        })
    try:
        body = msg.get_body(preferencelist=("plain",))
        if body is not None:
            # The wire carries CRLF; tests compare against the text they set.
            out["body"] = body.get_content().replace("\r\n", "\n")
    except Exception as error:
        out["defects"].append(f"body: {type(error).__name__}: {error}")
    try:
        attachments = list(msg.iter_attachments()) if msg.is_multipart() else []
    except Exception as error:
        out["defects"].append(f"attachments: {type(error).__name__}: {error}")
        attachments = []
    for part in attachments:
        payload = part.get_payload(decode=True) or b""
        text = None
        if part.get_content_maintype() == "text":
            try:  # in the charset the part declares, as a mail reader shows it
                text = part.get_content()
            except Exception as error:
                out["defects"].append(f"attachment text: {type(error).__name__}: {error}")
        out["attachments"].append({
            "filename": part.get_filename(),
            "content_type": part.get_content_type(),
            "charset": part.get_content_charset(),
            "text": text,
            "sha256": hashlib.sha256(payload).hexdigest(),
            "length": len(payload),
        })
    return out


class Recorder:
    """Owns the output directory. Files are replaced atomically so a test
    polling the directory never reads half a file."""

    def __init__(self, out_dir, password=None):
        self.out_dir = out_dir
        os.makedirs(out_dir, exist_ok=True)
        self.log_file = open(os.path.join(out_dir, "session.log"), "a", encoding="utf-8")
        self.state = {"connections": 0, "closed": 0, "auth_seen": False,
                      "password_seen": False, "data_started": 0, "messages": 0}
        self.secrets = _secret_patterns(password) if password else []
        self.longest_secret = max((len(s) for s in self.secrets), default=0)
        self._write_json("state.json", self.state)

    def log(self, conn, kind, text):
        self.log_file.write(f"{conn} {kind} {text}\n")
        self.log_file.flush()

    def update(self, **changes):
        changed = {k: v for k, v in changes.items() if self.state.get(k) != v}
        if changed:
            self.state.update(changed)
            self._write_json("state.json", self.state)

    def bump(self, key):
        self.update(**{key: self.state[key] + 1})

    def scan(self, window):
        """True when a secret occurs in the bytes seen so far; the caller keeps
        a tail of the stream so secrets split across reads are still found."""
        return any(s in window for s in self.secrets)

    def message(self, record):
        self.bump("messages")
        record["index"] = self.state["messages"]
        self._write_json(f"msg-{self.state['messages']:04d}.json", record)

    def _write_json(self, name, data):
        path = os.path.join(self.out_dir, name)
        with open(path + ".tmp", "w", encoding="utf-8") as f:
            json.dump(data, f, ensure_ascii=False, indent=1)
        os.replace(path + ".tmp", path)


def _secret_patterns(password):
    """The password in clear and as it shows up inside any base64 text
    (AUTH PLAIN packs it after the user name, so every alignment counts)."""
    secret = password.encode("utf-8")
    patterns = [secret]
    for shift in range(3):
        encoded = base64.b64encode(b"\0" * shift + secret)
        start = -(-shift * 8 // 6)
        end = (shift + len(secret)) * 8 // 6
        if end - start >= 4:
            patterns.append(encoded[start:end])
    return patterns


def envelope_record(envelope, session, reply, accepted):
    raw = bytes(envelope.original_content or b"")
    record = {
        "mail_from": envelope.mail_from,
        "rcpt_tos": list(envelope.rcpt_tos),
        "raw_b64": base64.b64encode(raw).decode("ascii"),
        "raw_size": len(raw),
        "accepted": accepted,
        "reply": reply,
        "tls": session.ssl is not None or getattr(session, "implicit_tls", False),
        "auth_login": session.auth_data if session.authenticated else None,
    }
    record.update(describe_message(raw))
    return record
