#include "Schema.h"

#include "Db.h"

namespace catalogd {

void CreateSchema(Db& db) {
    db.Exec(R"SQL(
CREATE TABLE IF NOT EXISTS meta(key TEXT PRIMARY KEY, value TEXT NOT NULL);
CREATE TABLE IF NOT EXISTS accounts(
  id INTEGER PRIMARY KEY,
  login TEXT NOT NULL UNIQUE COLLATE NOCASE,
  mail TEXT NOT NULL UNIQUE COLLATE NOCASE,
  pass_hash TEXT NOT NULL,
  activated INTEGER NOT NULL DEFAULT 0,
  created INTEGER NOT NULL);
CREATE TABLE IF NOT EXISTS sessions(
  id TEXT PRIMARY KEY,
  account_id INTEGER NOT NULL REFERENCES accounts(id) ON DELETE CASCADE,
  last_seen INTEGER NOT NULL,
  configured INTEGER NOT NULL DEFAULT 0,
  locale TEXT NOT NULL DEFAULT '',
  osver TEXT NOT NULL DEFAULT '',
  os_bit INTEGER NOT NULL DEFAULT 0,
  short_side INTEGER NOT NULL DEFAULT 0,
  long_side INTEGER NOT NULL DEFAULT 0,
  features INTEGER NOT NULL DEFAULT 0);
CREATE TABLE IF NOT EXISTS outbox(
  id INTEGER PRIMARY KEY,
  time INTEGER NOT NULL,
  recipient TEXT NOT NULL,
  subject TEXT NOT NULL,
  body TEXT NOT NULL);
CREATE TABLE IF NOT EXISTS categories(
  id INTEGER PRIMARY KEY,
  parent_id INTEGER REFERENCES categories(id),
  position INTEGER NOT NULL,
  name TEXT NOT NULL);
CREATE TABLE IF NOT EXISTS apps(
  id INTEGER PRIMARY KEY,
  catid INTEGER NOT NULL REFERENCES categories(id),
  name TEXT NOT NULL,
  company TEXT NOT NULL,
  description TEXT NOT NULL,
  icon TEXT NOT NULL,
  type TEXT NOT NULL,
  version TEXT NOT NULL,
  revision INTEGER NOT NULL,
  sysid TEXT NOT NULL UNIQUE,
  exe TEXT NOT NULL,
  install TEXT NOT NULL,
  package TEXT NOT NULL,
  sha256 TEXT NOT NULL DEFAULT '',
  createtime INTEGER NOT NULL,
  views INTEGER NOT NULL DEFAULT 0,
  downloads INTEGER NOT NULL DEFAULT 0,
  rate_sum INTEGER NOT NULL DEFAULT 0,
  rates INTEGER NOT NULL DEFAULT 0,
  reviews INTEGER NOT NULL DEFAULT 0,
  os_mask INTEGER NOT NULL DEFAULT 0,
  min_short INTEGER NOT NULL DEFAULT 0,
  min_long INTEGER NOT NULL DEFAULT 0,
  features INTEGER NOT NULL DEFAULT 0,
  name_fold TEXT NOT NULL,
  company_fold TEXT NOT NULL,
  desc_fold TEXT NOT NULL);
CREATE INDEX IF NOT EXISTS apps_by_cat ON apps(catid);
CREATE TABLE IF NOT EXISTS tags(id INTEGER PRIMARY KEY, name TEXT NOT NULL UNIQUE);
CREATE TABLE IF NOT EXISTS app_tags(
  app_id INTEGER NOT NULL REFERENCES apps(id),
  tag_id INTEGER NOT NULL REFERENCES tags(id),
  PRIMARY KEY(app_id, tag_id));
CREATE INDEX IF NOT EXISTS app_tags_by_tag ON app_tags(tag_id);
CREATE TABLE IF NOT EXISTS screenshots(
  app_id INTEGER NOT NULL REFERENCES apps(id),
  position INTEGER NOT NULL,
  path TEXT NOT NULL,
  PRIMARY KEY(app_id, position));
CREATE TABLE IF NOT EXISTS ratings(
  account_id INTEGER NOT NULL REFERENCES accounts(id),
  app_id INTEGER NOT NULL REFERENCES apps(id),
  stars INTEGER NOT NULL,
  text TEXT NOT NULL,
  time INTEGER NOT NULL,
  PRIMARY KEY(account_id, app_id));
CREATE INDEX IF NOT EXISTS ratings_by_app ON ratings(app_id, time);
CREATE TABLE IF NOT EXISTS feedback(
  id INTEGER PRIMARY KEY,
  account_id INTEGER NOT NULL REFERENCES accounts(id),
  app_id INTEGER NOT NULL REFERENCES apps(id),
  text TEXT NOT NULL,
  time INTEGER NOT NULL);
)SQL");
    // A store made before packages carried their digest gets the column;
    // its packages are announced without one until they are published again.
    bool hasDigest = false;
    Stmt& columns = db.Prepare("PRAGMA table_info(apps)");
    while (columns.Step()) hasDigest = hasDigest || columns.Text(1) == "sha256";
    columns.Reset();
    if (!hasDigest) db.Exec("ALTER TABLE apps ADD COLUMN sha256 TEXT NOT NULL DEFAULT ''");
}

void ClearAll(Db& db) {
    // Children before parents, because foreign keys are enforced.
    db.Exec(R"SQL(
DELETE FROM feedback; DELETE FROM ratings; DELETE FROM screenshots; DELETE FROM app_tags;
DELETE FROM tags; DELETE FROM apps; DELETE FROM categories; DELETE FROM sessions;
DELETE FROM outbox; DELETE FROM accounts; DELETE FROM meta;
)SQL");
}

}  // namespace catalogd
