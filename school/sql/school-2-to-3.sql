-- SPDX-License-Identifier: GPL-3.0-or-later
-- Version 2 to 3: pupils add rounds only through one function, which checks who sends what, and
-- a teacher reads only the classes they teach. Rows are kept. Run as a superuser (postgres):
--   psql -d kvadrilka -f school-2-to-3.sql
-- Games of earlier versions add rows to the tables themselves, which this refuses: they keep their
-- rounds until the machine has the new version.
\set ON_ERROR_STOP on
BEGIN;

-- Stops with nothing changed when the database is not at version 2.
DO $$
BEGIN
    IF (SELECT version FROM schema_version) IS DISTINCT FROM 2 THEN
        RAISE EXCEPTION 'this step needs schema version 2, the database has %',
            (SELECT version FROM schema_version);
    END IF;
END
$$;

-- The tables' owner, which the pupils' function runs as. Nobody logs in as it, and it is no
-- superuser: the function can do nothing the tables do not allow their owner.
DO $$
BEGIN
    IF NOT EXISTS (SELECT FROM pg_roles WHERE rolname = 'kvadrilka_owner') THEN
        CREATE ROLE kvadrilka_owner NOLOGIN;
    ELSIF EXISTS (SELECT FROM pg_roles WHERE rolname = 'kvadrilka_owner'
                  AND (rolcanlogin OR rolsuper OR rolbypassrls)) THEN
        RAISE EXCEPTION 'the role kvadrilka_owner may log in or is a superuser: make it NOLOGIN '
                        'NOSUPERUSER NOBYPASSRLS first';
    END IF;
END
$$;

-- Nobody but the admin makes tables, views or functions here: a pupil's own would run as the
-- pupil, but nothing of a pupil's belongs beside the class's rounds.
REVOKE CREATE ON SCHEMA public FROM PUBLIC;

ALTER TABLE schema_version OWNER TO kvadrilka_owner;
ALTER TABLE children OWNER TO kvadrilka_owner;
ALTER TABLE rounds OWNER TO kvadrilka_owner;
ALTER TABLE targets OWNER TO kvadrilka_owner;

-- Pupils write through kvadrilka_add_round() alone.
DROP POLICY pupils_add ON children;
DROP POLICY pupils_add ON rounds;
DROP POLICY pupils_add ON targets;
REVOKE INSERT ON children, rounds, targets FROM kvadrilka_pupils;
ALTER TABLE rounds ALTER COLUMN login SET DEFAULT session_user;

-- A class: the role its pupils' logins are members of, and the role of the teachers who teach
-- it. Two roles, because a member may SET ROLE to any role it belongs to: a teacher must never
-- become a pupil, nor a pupil a teacher. The admin adds a row per class.
CREATE TABLE classes (
    pupils regrole PRIMARY KEY,
    teachers regrole NOT NULL UNIQUE,
    CHECK (pupils <> teachers)
);
ALTER TABLE classes OWNER TO kvadrilka_owner;
REVOKE ALL ON classes FROM PUBLIC;

-- The logins whose rounds the session's user reads as a teacher. The policies ask for them in a
-- sub-select, so a statement asks once, whatever the number of rounds. Superusers are members of
-- every role, and of no class.
CREATE FUNCTION kvadrilka_taught_logins() RETURNS SETOF name
    LANGUAGE sql STABLE SECURITY DEFINER
    SET search_path = pg_catalog, pg_temp
AS $$
    SELECT DISTINCT p.rolname
    FROM public.classes c
    JOIN pg_catalog.pg_roles p
        ON p.rolcanlogin AND NOT p.rolsuper AND pg_has_role(p.oid, c.pupils::oid, 'MEMBER')
    WHERE pg_has_role(session_user, c.teachers::oid, 'MEMBER')
$$;
ALTER FUNCTION kvadrilka_taught_logins() OWNER TO kvadrilka_owner;
REVOKE ALL ON FUNCTION kvadrilka_taught_logins() FROM PUBLIC;
GRANT EXECUTE ON FUNCTION kvadrilka_taught_logins() TO kvadrilka_teachers;

-- Reading goes by the session's user too: SET ROLE to a group role changes nothing.
DROP POLICY own_rows ON children;
DROP POLICY own_rows ON rounds;
DROP POLICY own_rows ON targets;
DROP POLICY class_rows ON children;
DROP POLICY class_rows ON rounds;
DROP POLICY class_rows ON targets;
CREATE POLICY own_rows ON children FOR SELECT TO kvadrilka_own_rounds
    USING (account = session_user::text);
CREATE POLICY own_rows ON rounds FOR SELECT TO kvadrilka_own_rounds
    USING (account = session_user::text);
CREATE POLICY class_rows ON rounds FOR SELECT TO kvadrilka_teachers
    USING (login IN (SELECT kvadrilka_taught_logins()));
-- A child, or a target, is seen with a round of it the reader sees (those rounds' own policies
-- apply inside).
CREATE POLICY class_rows ON children FOR SELECT TO kvadrilka_teachers
    USING (EXISTS (SELECT FROM rounds r
                   WHERE r.account = children.account AND r.name_key = children.name_key));
CREATE POLICY seen_rows ON targets FOR SELECT TO kvadrilka_own_rounds, kvadrilka_teachers
    USING (EXISTS (SELECT FROM rounds r WHERE r.uuid = round_uuid));

-- One round as the game sends it, added whole or not at all with its targets (and its child when
-- new); a round the server already has from the same sender is left as it is (false). One JSON
-- object rather than a parameter per column, so that a later version can send more about the
-- child without a second function:
--   {"uuid", "started" (ISO 8601 with offset), "utc_offset_s", "level", "right_button",
--    "double_click", "ending", "score", "grade", "median_hit_ms", "misses", "penalties",
--    "throughput", "reaction_ms",
--    "child": {"account", "name_key", "name"},
--    "targets": [{"number", "shown_at_ms", "hit_after_ms", "penalties", "misses", "distance",
--                 "width", "start_x", "start_y", "centre_x", "centre_y", "click_x", "click_y",
--                 "moved_after_ms"}, ...]}
-- It runs as the tables' owner, where current_user is the owner: who sends is session_user, the
-- login, which SET ROLE does not change.
CREATE FUNCTION kvadrilka_add_round(round jsonb) RETURNS boolean
    LANGUAGE plpgsql SECURITY DEFINER
    SET search_path = pg_catalog, pg_temp
AS $$
DECLARE
    sender name := session_user;
    for_account text := round -> 'child' ->> 'account';
    child_key text := round -> 'child' ->> 'name_key';
    its_targets jsonb := coalesce(round -> 'targets', '[]');
    played public.rounds;
BEGIN
    IF NOT pg_has_role(sender, 'kvadrilka_pupils', 'MEMBER') THEN
        RAISE EXCEPTION 'the role % does not add rounds', sender
            USING ERRCODE = 'insufficient_privilege';
    END IF;
    IF round ? 'login' AND round ->> 'login' IS DISTINCT FROM sender::text THEN
        RAISE EXCEPTION 'a round is sent by the role logged in, %', sender
            USING ERRCODE = 'insufficient_privilege';
    END IF;
    -- A pupil who logs in as themselves writes their own account; a shared account writes only
    -- accounts that are nobody's own login, or it would write into that pupil's rounds.
    IF pg_has_role(sender, 'kvadrilka_own_rounds', 'MEMBER') THEN
        IF for_account IS DISTINCT FROM sender::text THEN
            RAISE EXCEPTION 'the role % adds rounds of its own account only', sender
                USING ERRCODE = 'insufficient_privilege';
        END IF;
    ELSIF EXISTS (SELECT FROM pg_roles r
                  WHERE r.rolname = for_account AND r.rolcanlogin
                  AND pg_has_role(r.oid, 'kvadrilka_own_rounds', 'MEMBER')) THEN
        RAISE EXCEPTION 'the account % is the own login of a pupil: only they add its rounds',
            for_account USING ERRCODE = 'insufficient_privilege';
    END IF;

    -- What the game never sends.
    IF jsonb_typeof(its_targets) IS DISTINCT FROM 'array' THEN
        RAISE EXCEPTION 'the targets of a round are an array' USING ERRCODE = 'check_violation';
    END IF;
    IF jsonb_array_length(its_targets) > 30 THEN
        RAISE EXCEPTION 'a round has at most 30 targets, not %', jsonb_array_length(its_targets)
            USING ERRCODE = 'check_violation';
    END IF;
    played := jsonb_populate_record(NULL::public.rounds, round);
    IF played.level IS NULL OR played.level NOT BETWEEN 1 AND 4 THEN
        RAISE EXCEPTION 'level % is none of the game''s (1 to 4)', played.level
            USING ERRCODE = 'check_violation';
    END IF;
    IF EXISTS (SELECT FROM jsonb_array_elements(its_targets) t
               WHERE t ? 'round_uuid' AND (t ->> 'round_uuid')::uuid IS DISTINCT FROM played.uuid)
    THEN
        RAISE EXCEPTION 'a target belongs to the round it is sent with'
            USING ERRCODE = 'check_violation';
    END IF;

    INSERT INTO public.children (account, name_key, name)
    VALUES (for_account, child_key, round -> 'child' ->> 'name')
    ON CONFLICT DO NOTHING;
    INSERT INTO public.rounds (uuid, account, name_key, started, utc_offset_s, level, right_button,
                               double_click, ending, score, grade, median_hit_ms, misses,
                               penalties, throughput, reaction_ms, login)
    VALUES (played.uuid, for_account, child_key, played.started, played.utc_offset_s,
            played.level, played.right_button, played.double_click, played.ending, played.score,
            played.grade, played.median_hit_ms, played.misses, played.penalties,
            played.throughput, played.reaction_ms, sender)
    ON CONFLICT (uuid) DO NOTHING;
    IF NOT FOUND THEN
        -- Sent before, and the answer lost on the way back; targets are added with their round
        -- only, never to one already there.
        IF EXISTS (SELECT FROM public.rounds r
                   WHERE r.uuid = played.uuid AND r.login = sender AND r.account = for_account)
        THEN
            RETURN false;
        END IF;
        RAISE EXCEPTION 'the server has round % from another sender', played.uuid
            USING ERRCODE = 'unique_violation';
    END IF;
    INSERT INTO public.targets (round_uuid, position, number, shown_at_ms, hit_after_ms, penalties,
                                misses, distance, width, start_x, start_y, centre_x, centre_y,
                                click_x, click_y, moved_after_ms)
    SELECT played.uuid, e.n - 1, t.number, t.shown_at_ms, t.hit_after_ms, t.penalties, t.misses,
           t.distance, t.width, t.start_x, t.start_y, t.centre_x, t.centre_y, t.click_x,
           t.click_y, t.moved_after_ms
    FROM jsonb_array_elements(its_targets) WITH ORDINALITY AS e(target, n),
         jsonb_populate_record(NULL::public.targets, e.target) AS t;
    RETURN true;
END
$$;
ALTER FUNCTION kvadrilka_add_round(jsonb) OWNER TO kvadrilka_owner;
REVOKE ALL ON FUNCTION kvadrilka_add_round(jsonb) FROM PUBLIC;
GRANT EXECUTE ON FUNCTION kvadrilka_add_round(jsonb) TO kvadrilka_pupils;

UPDATE schema_version SET version = 3;

COMMIT;
