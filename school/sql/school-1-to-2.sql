-- SPDX-License-Identifier: GPL-3.0-or-later
-- Version 1 to 2: indexes for the teacher's class view, which reads every child's latest rounds
-- and last week's count in one query over the whole class. Rows are kept.
--   psql -d kvadrilka -f school-1-to-2.sql
\set ON_ERROR_STOP on
BEGIN;

-- Stops with nothing changed when the database is not at version 1.
DO $$
BEGIN
    IF (SELECT version FROM schema_version) IS DISTINCT FROM 1 THEN
        RAISE EXCEPTION 'this step needs schema version 1, the database has %',
            (SELECT version FROM schema_version);
    END IF;
END
$$;

-- One child's rounds, newest first: the latest round, the last ten medians, the best score.
CREATE INDEX rounds_by_child ON rounds (account, name_key, started DESC);
-- The week's rounds of the whole class.
CREATE INDEX rounds_by_started ON rounds (started);

UPDATE schema_version SET version = 2;

COMMIT;
