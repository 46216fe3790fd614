-- SPDX-License-Identifier: GPL-3.0-or-later
-- The school's class of rounds, version 1. Run once by the database's owner on an empty database:
--   psql -d kvadrilka -f school-1.sql
-- Everything happens in one transaction: a failure leaves the database as it was.
\set ON_ERROR_STOP on
BEGIN;

-- Group roles: the admin grants them to the login roles. Roles belong to the whole cluster, so a
-- second database of the same cluster finds them already there.
DO $$
BEGIN
    IF NOT EXISTS (SELECT FROM pg_roles WHERE rolname = 'kvadrilka_pupils') THEN
        -- The game's login roles: they add rounds and nothing else.
        CREATE ROLE kvadrilka_pupils NOLOGIN;
    END IF;
    IF NOT EXISTS (SELECT FROM pg_roles WHERE rolname = 'kvadrilka_own_rounds') THEN
        -- Pupils who log in as themselves (role name = account): they may read their own rounds.
        -- Never granted to a shared account's role, whose pupils would read each other's.
        CREATE ROLE kvadrilka_own_rounds NOLOGIN;
    END IF;
    IF NOT EXISTS (SELECT FROM pg_roles WHERE rolname = 'kvadrilka_teachers') THEN
        CREATE ROLE kvadrilka_teachers NOLOGIN;
    END IF;
END
$$;

CREATE TABLE schema_version (
    version integer NOT NULL
);
INSERT INTO schema_version (version) VALUES (1);

-- A child is its account and its name; two spellings that differ only in case or composition are
-- one child (name_key: the name trimmed, composed to NFC and case-folded by the game).
CREATE TABLE children (
    account text NOT NULL CHECK (account <> ''),
    name_key text NOT NULL CHECK (name_key <> ''),
    name text NOT NULL CHECK (name <> ''),
    added timestamptz NOT NULL DEFAULT now(),
    PRIMARY KEY (account, name_key)
);

-- One round as the game kept it. login is the role that sent it, whatever the round says.
CREATE TABLE rounds (
    uuid uuid PRIMARY KEY,
    account text NOT NULL,
    name_key text NOT NULL,
    started timestamptz NOT NULL,
    utc_offset_s integer NOT NULL,
    level smallint NOT NULL CHECK (level BETWEEN 1 AND 4),
    right_button boolean NOT NULL,
    double_click boolean NOT NULL,
    ending smallint NOT NULL,
    score integer NOT NULL,
    grade text NOT NULL,
    median_hit_ms double precision,
    misses integer NOT NULL,
    penalties integer NOT NULL,
    throughput double precision,
    reaction_ms double precision,
    login name NOT NULL DEFAULT current_user,
    received timestamptz NOT NULL DEFAULT now(),
    FOREIGN KEY (account, name_key) REFERENCES children
);

-- Each target of a round, in the order shown. Points are NULL when not known; distance is
-- negative when the pointer was off the field.
CREATE TABLE targets (
    round_uuid uuid NOT NULL REFERENCES rounds,
    position smallint NOT NULL CHECK (position >= 0),
    number smallint NOT NULL,
    shown_at_ms bigint NOT NULL,
    hit_after_ms bigint NOT NULL,
    penalties text NOT NULL,
    misses integer NOT NULL,
    distance double precision NOT NULL,
    width double precision NOT NULL,
    start_x double precision,
    start_y double precision,
    centre_x double precision,
    centre_y double precision,
    click_x double precision,
    click_y double precision,
    moved_after_ms bigint,
    PRIMARY KEY (round_uuid, position)
);

-- No sequences anywhere: a pupil's role needs nothing but INSERT. ON CONFLICT DO NOTHING needs no
-- more, and foreign keys are checked as the owner, so pupils never read children or rounds.
REVOKE ALL ON schema_version, children, rounds, targets FROM PUBLIC;
GRANT SELECT ON schema_version TO kvadrilka_pupils, kvadrilka_own_rounds, kvadrilka_teachers;
GRANT INSERT ON children, rounds, targets TO kvadrilka_pupils;
GRANT SELECT ON children, rounds, targets TO kvadrilka_own_rounds, kvadrilka_teachers;

-- Rows are filtered for everyone but the owner: a table-wide grant alone shows nothing.
ALTER TABLE children ENABLE ROW LEVEL SECURITY;
ALTER TABLE rounds ENABLE ROW LEVEL SECURITY;
ALTER TABLE targets ENABLE ROW LEVEL SECURITY;

-- A pupil who logs in as themselves adds children and rounds of their own account only: they
-- would show among another pupil's own rounds. The sender's role is recorded truthfully.
CREATE POLICY pupils_add ON children FOR INSERT TO kvadrilka_pupils
    WITH CHECK (account = current_user OR NOT pg_has_role('kvadrilka_own_rounds', 'MEMBER'));
CREATE POLICY pupils_add ON rounds FOR INSERT TO kvadrilka_pupils
    WITH CHECK (login = current_user AND
                (account = current_user OR NOT pg_has_role('kvadrilka_own_rounds', 'MEMBER')));
CREATE POLICY pupils_add ON targets FOR INSERT TO kvadrilka_pupils WITH CHECK (true);

CREATE POLICY own_rows ON children FOR SELECT TO kvadrilka_own_rounds
    USING (account = current_user);
CREATE POLICY own_rows ON rounds FOR SELECT TO kvadrilka_own_rounds
    USING (account = current_user);
CREATE POLICY own_rows ON targets FOR SELECT TO kvadrilka_own_rounds
    USING (EXISTS (SELECT FROM rounds r WHERE r.uuid = round_uuid AND r.account = current_user));

CREATE POLICY class_rows ON children FOR SELECT TO kvadrilka_teachers USING (true);
CREATE POLICY class_rows ON rounds FOR SELECT TO kvadrilka_teachers USING (true);
CREATE POLICY class_rows ON targets FOR SELECT TO kvadrilka_teachers USING (true);

COMMIT;
