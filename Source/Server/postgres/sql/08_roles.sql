-- The schema as a boundary: its tables and routines belong to an owner role; the users of
-- the schema are members of one of three group roles (reader, editor, admin), which may use
-- the schema, read its tables and run its routines, and write no table. Routines that change
-- data run with their owner's rights; every routine pins its search path. Which of the
-- routines' changes a user may make is the rights table's business (01a_users.sql).
-- An installer that may not create roles installs the schema without them.
DO $roles$
DECLARE
  v_prefix text := '@SCHEMA_NAME@';
  v_owner text := v_prefix || '_owner';
  v_group text;
  f record;
BEGIN
  BEGIN
    FOREACH v_group IN ARRAY ARRAY[v_owner, v_prefix || '_reader', v_prefix || '_editor',
                                   v_prefix || '_admin'] LOOP
      IF NOT EXISTS (SELECT 1 FROM pg_roles WHERE rolname = v_group) THEN
        EXECUTE format('CREATE ROLE %I NOLOGIN', v_group);
      END IF;
    END LOOP;
    -- The owner hands the groups to users (qxvdb user) from inside its routines.
    EXECUTE format('GRANT %I, %I, %I TO %I WITH ADMIN OPTION', v_prefix || '_reader',
                   v_prefix || '_editor', v_prefix || '_admin', v_owner);
  EXCEPTION WHEN insufficient_privilege THEN
    RAISE NOTICE 'schema %: the installer may not create roles; installed without them', v_prefix;
    RETURN;
  END;
  EXECUTE format('ALTER SCHEMA @SCHEMA@ OWNER TO %I', v_owner);
  FOR f IN SELECT c.oid::regclass AS name FROM pg_class c
           WHERE c.relnamespace = '@SCHEMA@'::regnamespace AND c.relkind IN ('r', 'v', 'S')
             AND NOT EXISTS (SELECT 1 FROM pg_depend d WHERE d.objid = c.oid AND d.deptype = 'i')
             -- Changing an owner locks the table: a reinstall must not queue behind open
             -- sessions for tables the owner has already.
             AND c.relowner <> (SELECT r.oid FROM pg_roles r WHERE r.rolname = v_owner)
  LOOP
    EXECUTE format('ALTER TABLE %s OWNER TO %I', f.name, v_owner);
  END LOOP;
  FOR f IN SELECT p.oid::regprocedure AS sig, p.proname FROM pg_proc p
           WHERE p.pronamespace = '@SCHEMA@'::regnamespace
  LOOP
    EXECUTE format('ALTER FUNCTION %s OWNER TO %I', f.sig, v_owner);
    -- The search's SQL helpers name every table by its schema and are meant to be inlined
    -- into the statements that call them, which a setting of their own would prevent.
    IF f.proname LIKE 'search\_%' THEN
      EXECUTE format('ALTER FUNCTION %s RESET ALL', f.sig);
    ELSE
      EXECUTE format('ALTER FUNCTION %s SET search_path = @SCHEMA@, pg_temp', f.sig);
    END IF;
    -- Changing routines run as the owner; a user's own right is checked inside. The search's
    -- hits go to the session's own temporary table, which the user writes as themself.
    IF (f.proname ~ '\.(INS|UPD|DEL|SET|SAVE|MERGE)_' AND f.proname !~ '_HITS$')
       OR f.proname = 'save_user' THEN
      EXECUTE format('ALTER FUNCTION %s SECURITY DEFINER', f.sig);
    END IF;
    EXECUTE format('REVOKE ALL ON FUNCTION %s FROM PUBLIC', f.sig);
  END LOOP;
  FOREACH v_group IN ARRAY ARRAY[v_prefix || '_reader', v_prefix || '_editor', v_prefix || '_admin']
  LOOP
    EXECUTE format('GRANT USAGE ON SCHEMA @SCHEMA@ TO %I', v_group);
    EXECUTE format('GRANT SELECT ON ALL TABLES IN SCHEMA @SCHEMA@ TO %I', v_group);
    EXECUTE format('GRANT EXECUTE ON ALL FUNCTIONS IN SCHEMA @SCHEMA@ TO %I', v_group);
  END LOOP;
END
$roles$;
